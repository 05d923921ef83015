// A progress dialog without a toolkit for the presenters' tests: it runs a ProgressRun on the
// test's thread as a front end's event loop would, and records what the dialog showed.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "shell/progress_run.h"

namespace kvd::test {

class ProgressLoop final : public ProgressView {
  public:
    // What the dialog showed, one line each: "report 37 | caption", "message ...", "fill".
    std::vector<std::string> shown;
    // Runs on the loop's thread after the run has started, as a user's click would.
    std::function<void(ProgressRun&)> whileOpen;

    // Starts `operation` on the run's worker and serves the run's wake-ups until it closes.
    void Run(ProgressRun& run, std::function<void()> operation) {
        closed_ = false;
        run.Start(*this, std::move(operation));
        if (auto action = whileOpen) action(run);  // a copy: it may clear itself
        while (!closed_) {
            {
                std::unique_lock lock(mutex_);
                woken_.wait(lock, [this] { return wakes_ > 0; });
                --wakes_;
            }
            run.OnWake();
        }
        run.Join();
    }

    void WakeUi() override {
        {
            const std::lock_guard guard(mutex_);
            ++wakes_;
        }
        woken_.notify_one();
    }
    void ShowReport(int32_t percent, const std::string& message,
                    const std::string& caption) override {
        shown.push_back("report " + std::to_string(percent) + " | " + caption);
        lastMessage = message;
    }
    void ShowMessage(const std::string& message) override { shown.push_back("message " + message); }
    void FillBar() override { shown.push_back("fill"); }
    void Close() override { closed_ = true; }

    std::string lastMessage;

  private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
    bool closed_ = false;
};

}  // namespace kvd::test
