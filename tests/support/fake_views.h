// Fake views of the start dialog and the transfer window for the presenters' tests: they
// record what the windows would do, and the test serves what other threads post.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "shell/start_presenter.h"
#include "support/progress_loop.h"
#include "transfer/transfer_view.h"

namespace kvd::test {

using namespace std::chrono_literals;

class FakeStartView final : public StartView {
  public:
    std::set<StartDialogTimer> running;
    std::vector<std::string> calls;
    bool ready = false;

    void StartTimer(StartDialogTimer timer, int) override { running.insert(timer); }
    void StopTimer(StartDialogTimer timer) override { running.erase(timer); }
    void PostToUi(std::function<void()> task) override {
        const std::lock_guard guard(lock_);
        posted_.push_back(std::move(task));
    }
    void ShowDeviceReady(bool isReady) override { ready = isReady; }
    void ClearStatus() override {}
    void OpenTransferWindow(TransferWindowMode mode) override {
        calls.push_back(mode == ModeGpsLog ? "open gps" : "open update");
    }
    void CloseTransferWindow() override { calls.push_back("close window"); }
    void EndDialog() override { calls.push_back("end"); }

    // Runs what the search thread posted, waiting up to `wait` for the first task.
    bool RunPosted(std::chrono::milliseconds wait = 3000ms) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            std::deque<std::function<void()>> tasks;
            {
                const std::lock_guard guard(lock_);
                tasks.swap(posted_);
            }
            if (!tasks.empty()) {
                for (auto& task : tasks) task();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
    }

  private:
    std::mutex lock_;
    std::deque<std::function<void()>> posted_;
};

// A transfer window for the start dialog to hold: only its chooser matters here.
class QuietTransferView final : public TransferView {
  public:
    std::function<void()> duringChooser;
    void SetText(TransferControl, const std::string&) override {}
    std::string Text(TransferControl) const override { return {}; }
    void SetVisible(TransferControl, bool) override {}
    void SetEnabled(TransferControl, bool) override {}
    void SetChecked(TransferControl, bool) override {}
    void SetChoices(TransferControl, const std::vector<std::string>&, int) override {}
    void SetLayout(TransferWindowMode) override {}
    void SetListHeadings(const std::vector<std::string>&) override {}
    void SetRows(const std::vector<ListRow>&) override {}
    void SetNewMarks(const std::vector<bool>&, const std::string&) override {}
    void SetTicks(const std::vector<bool>&) override {}
    void ShowMessage(const std::string&, const std::string&) override {}
    bool ShowMessageOffering(const std::string&, const std::string&, const std::string&) override {
        return false;
    }
    void OpenFolder(const std::string&) override {}
    bool Ask(const std::string&, const std::string&, const std::string&) override { return false; }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string&) override {
        if (duringChooser) duringChooser();
        return std::nullopt;
    }
    std::optional<std::string> ChooseFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void RunProgress(ProgressRun& run, std::function<void()> operation) override {
        test::ProgressLoop loop;
        loop.Run(run, std::move(operation));
    }
    void CloseWindow() override {}
};

}  // namespace kvd::test
