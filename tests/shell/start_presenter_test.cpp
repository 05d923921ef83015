// The start dialog without a toolkit: a fake view records its timers and windows, and a real
// virtual device answers on a pseudo-terminal.
#include "shell/start_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "devicelink/devicelink.h"
#include "shell/desktop_texts.h"
#include "support/fake_views.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "transfer/recorded_download.h"
#include "transfer/transfer_presenter.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FakeStartView;
using test::QuietTransferView;

// The device as the search finds it: present or not, switched by the test while the search
// thread looks.
class Plug {
  public:
    void In(std::vector<std::string> args = {}) {
        auto device = std::make_unique<test::SimProcess>(args);
        const std::lock_guard guard(lock_);
        device_ = std::move(device);
    }
    void Out() {
        std::unique_ptr<test::SimProcess> gone;
        const std::lock_guard guard(lock_);
        gone.swap(device_);
    }
    std::string Port() {
        const std::lock_guard guard(lock_);
        return device_ ? device_->Port() : std::string();
    }
    int32_t Find() {
        const std::lock_guard guard(lock_);
        if (!device_) return 0;
        SetDevicePort(0, device_->Port());
        return 1;
    }

  private:
    std::mutex lock_;
    std::unique_ptr<test::SimProcess> device_;
};

TEST(StartPresenter, SearchIdentifyCheckAndLoseTheDevice) {
    Plug plug;
    FakeStartView view;
    StartPresenter presenter(view, ModeGpsLog, [&] { return plug.Find(); });
    presenter.OnShown();
    EXPECT_EQ(presenter.State(), StartState::Searching);
    EXPECT_FALSE(view.ready);
    EXPECT_TRUE(view.running.empty());
    EXPECT_FALSE(view.RunPosted(300ms));  // no device, nothing found

    plug.In();
    ASSERT_TRUE(view.RunPosted());
    EXPECT_EQ(presenter.State(), StartState::Identifying);
    EXPECT_EQ(view.running, std::set<StartDialogTimer>{StartDialogTimer::Identify});

    presenter.OnTimer(StartDialogTimer::Identify);
    EXPECT_EQ(presenter.State(), StartState::Ready);
    EXPECT_TRUE(view.ready);
    EXPECT_EQ(view.running, std::set<StartDialogTimer>{StartDialogTimer::Check});

    presenter.OnTimer(StartDialogTimer::Check);  // still there
    EXPECT_EQ(presenter.State(), StartState::Ready);

    plug.Out();
    presenter.OnTimer(StartDialogTimer::Check);
    EXPECT_EQ(presenter.State(), StartState::Searching);
    EXPECT_FALSE(view.ready);
    EXPECT_TRUE(view.running.empty());
    EXPECT_TRUE(presenter.IsSearching());

    presenter.OnEndCommand();
    EXPECT_EQ(presenter.State(), StartState::Ended);
    EXPECT_FALSE(presenter.IsSearching());
    EXPECT_EQ(view.calls, (std::vector<std::string>{"end"}));
}

TEST(StartPresenter, NewTripsAreCountedAgainstTheRecordOncePerPlugIn) {
    test::TempDir scratch;
    const fs::path previous = fs::current_path();
    fs::current_path(scratch.path());
    setenv("XDG_CONFIG_HOME", (scratch.path() / "config").c_str(), 1);
    Plug plug;
    plug.In({"--trips", "3"});
    // One of the three is saved already in the save folder (the current folder here).
    {
        SetDevicePort(0, plug.Port());
        TransferSettings settings;
        settings.port = DevicePortName();
        std::vector<RowEntry> rows;
        ASSERT_TRUE(FetchLogList(settings, rows).Succeeded());
        LogSaver saver(SaveOptions{});
        RecordedDownload download;
        std::string damage;
        SavedLogRecord record = SavedLogRecord::Load(scratch.path(), damage);
        download.saver = &saver;
        download.record = &record;
        std::vector<SlotResult> results;
        ASSERT_TRUE(GetEachFile(settings, std::vector<int>{1}, ".", &RecordedDownload::Complete,
                                &download, results)
                        .Succeeded());
    }
    FakeStartView view;
    std::vector<int> announced;
    StartPresenter presenter(view, ModeGpsLog, [&] { return plug.Find(); });
    presenter.SetNewTripsHook([&](int count) { announced.push_back(count); });
    presenter.OnShown();
    ASSERT_TRUE(view.RunPosted());
    presenter.OnTimer(StartDialogTimer::Identify);
    EXPECT_EQ(announced, std::vector<int>{2});

    // The window closed: searched and identified again, but the same plug-in says nothing.
    QuietTransferView windowView;
    TransferPresenter window(windowView, ModeGpsLog, &presenter);
    presenter.OnModeButton();
    presenter.OnTransferWindowOpened(window);
    presenter.OnTransferWindowClosed();
    ASSERT_TRUE(view.RunPosted());
    presenter.OnTimer(StartDialogTimer::Identify);
    EXPECT_EQ(announced, std::vector<int>{2});
    presenter.OnEndCommand();
    fs::current_path(previous);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(StartPresenter, TheTransferWindowPausesTheCheckAndEndsTheDialogWhenAsked) {
    struct Case {
        const char* name;
        bool viaExitCommand;  // the tray's exit, else the End button
    };
    for (const Case c : {Case{"End button", false}, Case{"exit command", true}}) {
        SCOPED_TRACE(c.name);
        Plug plug;
        plug.In();
        FakeStartView view;
        StartPresenter presenter(view, ModeUpdate, [&] { return plug.Find(); });
        presenter.OnShown();
        ASSERT_TRUE(view.RunPosted());
        presenter.OnTimer(StartDialogTimer::Identify);
        ASSERT_EQ(presenter.State(), StartState::Ready);

        presenter.OnModeButton();
        EXPECT_EQ(view.calls, (std::vector<std::string>{"open update"}));
        QuietTransferView windowView;
        TransferPresenter window(windowView, ModeUpdate, &presenter);
        presenter.OnTransferWindowOpened(window);
        presenter.OnModeButton();  // one window at a time
        EXPECT_EQ(view.calls.size(), 1u);

        presenter.PauseConnectionCheck();
        EXPECT_FALSE(presenter.IsChecking());
        presenter.ResumeConnectionCheck();
        EXPECT_TRUE(presenter.IsChecking());

        // With the window open the dialog waits for it to close.
        if (c.viaExitCommand)
            presenter.RequestEnd();
        else
            presenter.OnEndCommand();
        EXPECT_TRUE(presenter.ExitRequested());
        EXPECT_NE(presenter.State(), StartState::Ended);
        presenter.OnTransferWindowClosed();
        EXPECT_EQ(presenter.State(), StartState::Ended);
        EXPECT_EQ(view.calls.back(), "end");
    }
}

TEST(StartPresenter, TheCheckWaitsWhileAChooserIsOpenAndALostDeviceClosesTheWindow) {
    Plug plug;
    plug.In();
    FakeStartView view;
    StartPresenter presenter(view, ModeGpsLog, [&] { return plug.Find(); });
    presenter.OnShown();
    ASSERT_TRUE(view.RunPosted());
    presenter.OnTimer(StartDialogTimer::Identify);
    presenter.OnModeButton();
    QuietTransferView windowView;
    TransferPresenter window(windowView, ModeGpsLog, &presenter);
    presenter.OnTransferWindowOpened(window);

    plug.Out();
    windowView.duringChooser = [&] {
        EXPECT_TRUE(presenter.IsSelecting());
        presenter.OnTimer(StartDialogTimer::Check);  // skipped: the user's choice comes first
        EXPECT_EQ(presenter.State(), StartState::Ready);
    };
    window.OnSelect();
    EXPECT_FALSE(presenter.IsSelecting());

    presenter.OnTimer(StartDialogTimer::Check);
    EXPECT_EQ(presenter.State(), StartState::Searching);
    EXPECT_EQ(view.calls.back(), "close window");
    presenter.OnTransferWindowClosed();
    EXPECT_EQ(presenter.State(), StartState::Searching);  // the search runs already
}

}  // namespace
}  // namespace kvd
