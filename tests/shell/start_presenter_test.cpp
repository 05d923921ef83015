// The start dialog, the progress run and the desktop session without a toolkit: fake views
// record the timers, boxes and windows, and a real virtual device answers on a pseudo-terminal.
#include "shell/start_presenter.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>

#include "common/system_text.h"
#include "devicelink/devicelink.h"
#include "shell/desktop_session.h"
#include "shell/desktop_texts.h"
#include "shell/progress_run.h"
#include "support/progress_loop.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "transfer/transfer_presenter.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;
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
    void SetLayout(TransferWindowMode) override {}
    void SetListHeadings(const std::vector<std::string>&) override {}
    void SetRows(const std::vector<ListRow>&) override {}
    void SetNewMarks(const std::vector<bool>&, const std::string&) override {}
    void SetTicks(const std::vector<bool>&) override {}
    void ShowMessage(const std::string&, const std::string&) override {}
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

// The device as the search finds it: present or not, switched by the test.
struct Plug {
    std::unique_ptr<test::SimProcess> device;
    int32_t Find() {
        if (!device) return 0;
        SetDevicePort(0, device->Port());
        return 1;
    }
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

    plug.device = std::make_unique<test::SimProcess>();
    ASSERT_TRUE(view.RunPosted());
    EXPECT_EQ(presenter.State(), StartState::Identifying);
    EXPECT_EQ(view.running, std::set<StartDialogTimer>{StartDialogTimer::Identify});

    presenter.OnTimer(StartDialogTimer::Identify);
    EXPECT_EQ(presenter.State(), StartState::Ready);
    EXPECT_TRUE(view.ready);
    EXPECT_EQ(view.running, std::set<StartDialogTimer>{StartDialogTimer::Check});

    presenter.OnTimer(StartDialogTimer::Check);  // still there
    EXPECT_EQ(presenter.State(), StartState::Ready);

    plug.device.reset();
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

TEST(StartPresenter, TheTransferWindowPausesTheCheckAndEndsTheDialogWhenAsked) {
    struct Case {
        const char* name;
        bool viaExitCommand;  // the tray's exit, else the End button
    };
    for (const Case c : {Case{"End button", false}, Case{"exit command", true}}) {
        SCOPED_TRACE(c.name);
        Plug plug;
        plug.device = std::make_unique<test::SimProcess>();
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
    plug.device = std::make_unique<test::SimProcess>();
    FakeStartView view;
    StartPresenter presenter(view, ModeGpsLog, [&] { return plug.Find(); });
    presenter.OnShown();
    ASSERT_TRUE(view.RunPosted());
    presenter.OnTimer(StartDialogTimer::Identify);
    presenter.OnModeButton();
    QuietTransferView windowView;
    TransferPresenter window(windowView, ModeGpsLog, &presenter);
    presenter.OnTransferWindowOpened(window);

    plug.device.reset();
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

TEST(ProgressRun, ReportsAreFilteredAndWordedInTheUsersLanguage) {
    struct Case {
        uint16_t lang;
        int32_t mode;
        const char* caption;
    };
    const Case cases[] = {
        {kLangIdEnglishUs, ReceiveToMemory, "0601.LOG Getting 37 %"},
        {kLangIdEnglishUs, SendFile, "0601.LOG Updating 37 %"},
        {kLangIdJapanese, ReceiveToMemory, "0601.LOG 取得中 37 %"},
    };
    for (const Case& c : cases) {
        const uint16_t previous = g_userLangId;
        g_userLangId = c.lang;
        CancelRequest cancel;
        ProgressRun run(ProgressStyle::Percent(), cancel);
        test::ProgressLoop loop;
        std::atomic<bool> looked{false};
        loop.Run(run, [&] {
            ProgressRun::Report(&run, 103, "0601.LOG", 1, 2, c.mode);  // the padded last block
            ProgressRun::Report(&run, -1, "0601.LOG", 1, 2, c.mode);
            ProgressRun::Report(&run, 37, "0601.LOG", 12.4, 32.2, c.mode);
        });
        EXPECT_EQ(loop.shown, (std::vector<std::string>{std::string("report 37 | ") + c.caption,
                                                        "fill"}));
        const std::string expected = c.lang == kLangIdJapanese
                                         ? "お待ちください 37 %\n\n経過時間：12 s  残り時間：20 s"
                                         : "Please wait 37 %\n\nSpent time：12 s  Estimated time：20 s";
        EXPECT_EQ(loop.lastMessage, expected);
        EXPECT_EQ(ProgressRun::StartingText(), c.lang == kLangIdJapanese ? "開始中" : "Starting");
        g_userLangId = previous;
    }
}

TEST(ProgressRun, CancelReachesOnlyARunThatMayBeCancelled) {
    for (const bool cancellable : {true, false}) {
        SCOPED_TRACE(cancellable);
        CancelRequest cancel;
        ProgressRun run(ProgressStyle::Endless("wait", cancellable), cancel);
        test::ProgressLoop loop;
        std::atomic<bool> go{false};
        loop.whileOpen = [&](ProgressRun& open) {
            open.OnCancel();
            go = true;
        };
        loop.Run(run, [&] {
            while (!go) std::this_thread::sleep_for(1ms);
            ProgressRun::Report(&run, 50, "x", 1, 2, 0);  // an endless bar shows no position
        });
        EXPECT_EQ(cancel.IsRequested(), cancellable);
        const std::vector<std::string> expected =
            cancellable ? std::vector<std::string>{"message " + std::string(MessageText(MsgAborting))}
                        : std::vector<std::string>{};
        EXPECT_EQ(loop.shown, expected);
    }
}

TEST(ProgressRun, ACancelledTransferLeavesTheBarShort) {
    CancelRequest cancel;
    ProgressRun run(ProgressStyle::Percent(), cancel);
    test::ProgressLoop loop;
    loop.whileOpen = [](ProgressRun& open) { open.OnCancel(); };
    loop.Run(run, [&] {
        while (!cancel.IsRequested()) std::this_thread::sleep_for(1ms);
    });
    EXPECT_EQ(std::count(loop.shown.begin(), loop.shown.end(), "fill"), 0);
}

class FakeSessionView final : public SessionView {
  public:
    std::vector<std::string> calls;
    std::function<void()> duringDialog;
    std::mutex lock;
    std::vector<std::function<void()>> posted;

    void ShowAlreadyRunning(const std::string& systemText, const std::string& line) override {
        calls.push_back("box " + systemText + " / " + line);
    }
    void ShowIcon(const std::string& exitText) override { calls.push_back("icon " + exitText); }
    void HideIcon() override { calls.push_back("hide icon"); }
    void RunStartDialog(TransferWindowMode) override {
        calls.push_back("dialog");
        if (duringDialog) duringDialog();
    }
    void PostToUi(std::function<void()> task) override {
        const std::lock_guard guard(lock);
        posted.push_back(std::move(task));
    }
    void RaiseWindows() override { calls.push_back("raise"); }
    void Quit() override { calls.push_back("quit"); }
};

TEST(DesktopSession, ASecondCopyShowsItsBoxAndBringsTheFirstToTheFront) {
    test::TempDir runtime;
    InstanceLock firstLock(runtime.path());
    FakeSessionView first;
    DesktopSession firstSession(first, firstLock);
    first.duringDialog = [&] {
        InstanceLock secondLock(runtime.path());
        FakeSessionView second;
        DesktopSession secondSession(second, secondLock);
        EXPECT_EQ(secondSession.Run(), 0);
        ASSERT_EQ(second.calls.size(), 1u);  // no icon, no dialog
        EXPECT_EQ(second.calls[0], "box " + AlreadyExistsText() + " / " +
                                       std::string(Say(kTextAlreadyRunning)));
        // The first copy hears of it on its lock's thread and raises its window on its own.
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        for (;;) {
            std::vector<std::function<void()>> tasks;
            {
                const std::lock_guard guard(first.lock);
                tasks.swap(first.posted);
            }
            for (auto& task : tasks) task();
            if (!tasks.empty() || std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::sleep_for(5ms);
        }
    };
    EXPECT_EQ(firstSession.Run(), 0);
    EXPECT_EQ(first.calls, (std::vector<std::string>{"icon " + std::string(Say(kTextExitCommand)),
                                                     "dialog", "raise", "hide icon"}));
}

TEST(DesktopSession, TheExitCommandAndTheMenuFollowWhatIsOpen) {
    test::TempDir runtime;
    InstanceLock lock(runtime.path());
    FakeSessionView view;
    DesktopSession session(view, lock);
    // No start dialog: the program itself ends.
    EXPECT_TRUE(session.MayOpenMenu());
    session.ExitCommand();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"quit"}));

    // A start dialog without a window ends at once.
    FakeStartView startView;
    StartPresenter start(startView, ModeGpsLog, [] { return 0; });
    session.OnStartDialogOpened(start);
    session.ExitCommand();
    EXPECT_EQ(start.State(), StartState::Ended);
    session.OnStartDialogClosed();

    // With a window open whose chooser shows, the menu stays shut.
    FakeStartView secondView;
    StartPresenter second(secondView, ModeGpsLog, [] { return 0; });
    session.OnStartDialogOpened(second);
    QuietTransferView windowView;
    TransferPresenter window(windowView, ModeGpsLog, &second);
    second.OnTransferWindowOpened(window);
    windowView.duringChooser = [&] { EXPECT_FALSE(session.MayOpenMenu()); };
    window.OnSelect();
    EXPECT_TRUE(session.MayOpenMenu());
    session.ExitCommand();  // waits for the window
    EXPECT_NE(second.State(), StartState::Ended);
    second.OnTransferWindowClosed();
    EXPECT_EQ(second.State(), StartState::Ended);
}

}  // namespace
}  // namespace kvd
