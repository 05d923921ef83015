// The progress run and the desktop session without a toolkit or a device: fake views record
// what the dialogs would show. These run under Wine too.
#include "shell/desktop_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "common/system_text.h"
#include "devicelink/devicelink.h"
#include "shell/desktop_texts.h"
#include "shell/progress_run.h"
#include "support/fake_views.h"
#include "test_support.h"
#include "transfer/transfer_presenter.h"

namespace kvd {
namespace {

using namespace std::chrono_literals;
using test::FakeStartView;
using test::QuietTransferView;

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
        EXPECT_EQ(loop.shown,
                  (std::vector<std::string>{std::string("report 37 | ") + c.caption, "fill"}));
        const std::string expected =
            c.lang == kLangIdJapanese
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
            cancellable
                ? std::vector<std::string>{"message " + std::string(MessageText(MsgAborting))}
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
    bool CanNotify() const override { return canNotify; }
    void ShowNotification(const std::string&, const std::string& text) override {
        calls.push_back("notify " + text);
    }
    bool canNotify = false;
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
        EXPECT_EQ(second.calls[0],
                  "box " + AlreadyExistsText() + " / " + std::string(Say(kTextAlreadyRunning)));
        // The first copy hears of it on its lock's thread and raises its window on its own.
#ifdef _WIN32
        const auto deadline = std::chrono::steady_clock::now();
#else
        const auto deadline = std::chrono::steady_clock::now() + 3s;
#endif
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
    std::vector<std::string> expected{"icon " + std::string(Say(kTextExitCommand)), "dialog",
                                      "raise", "hide icon"};
#ifdef _WIN32
    // Windows finds the running copy's window by its class instead.
    expected.erase(expected.begin() + 2);
#endif
    EXPECT_EQ(first.calls, expected);
}

TEST(DesktopSession, NewTripsAreToldOnlyWhereTheDesktopCanNotify) {
    test::TempDir runtime;
    InstanceLock lock(runtime.path());
    for (const bool canNotify : {false, true}) {
        FakeSessionView view;
        view.canNotify = canNotify;
        DesktopSession session(view, lock);
        FakeStartView startView;
        StartPresenter start(startView, ModeGpsLog, [] { return 0; });
        session.OnStartDialogOpened(start);
        // Without a service the dialog does not even ask the device for its list.
        EXPECT_EQ(start.HasNewTripsHook(), canNotify);
    }
    EXPECT_EQ(NewTripsText(1, kLangIdEnglishUs), "1 new trip on the KVD-2730");
    EXPECT_EQ(NewTripsText(3, kLangIdJapanese), "KVD-2730 に新しいトリップが 3 件あります");
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
