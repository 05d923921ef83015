// The start dialog and the tray window against the virtual device in a process of its own,
// found through KVD2730_PORTS at the path where the device's link appears and disappears, as
// a USB device does when it is plugged in and out.
#include "shell/start_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

#include "common/system_text.h"
#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "gui_test_support.h"
#include "shell/instance_lock.h"
#include "shell/shell.h"
#include "shell/tray_window.h"
#include "shell/wait_dialog.h"
#include "support/sim_process.h"
#include "transfer/transfer_window.h"

using kvd::CStartDlg;
using kvd::test::LanguageScope;
using State = kvd::StartState;

namespace {

constexpr int kDeviceWaitMs = 15000;  // a bound against hanging, not a figure

// Records the boxes, and runs the test's own step while a chooser is open.
class RecordingPrompts final : public kvd::TransferPrompts {
  public:
    QStringList boxes;
    std::function<void()> whileChoosing;

    void ShowMessage(QWidget*, const QString& text, const QString&) override { boxes << text; }
    bool Ask(QWidget*, const QString& text, const QString&, const QString&) override {
        boxes << text;
        return false;
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        if (whileChoosing) whileChoosing();
        return std::nullopt;
    }
    std::optional<QString> ChooseFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
};

// A scratch folder that is the current folder and the runtime folder (for the
// single-instance lock), with the save folder and the device's link inside.
class Desk {
  public:
    Desk() : previousFolder_(QDir::currentPath()), previousRuntime_(qgetenv("XDG_RUNTIME_DIR")) {
        QDir().mkpath(Saves());
        QDir::setCurrent(scratch_.path());
        qputenv("KVD2730_PORTS", Link().toUtf8());
        qputenv("XDG_RUNTIME_DIR", scratch_.path().toUtf8());
        QFile settings(scratch_.filePath("KVD2730.ini"));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[KVD2730]\nGPS=" + Saves().toUtf8() + "\n");
    }
    ~Desk() {
        Unplug();
        QDir::setCurrent(previousFolder_);
        qunsetenv("KVD2730_PORTS");
        qputenv("XDG_RUNTIME_DIR", previousRuntime_);
    }
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    QString Link() const { return scratch_.filePath("device"); }
    QString Saves() const { return scratch_.filePath("saves"); }
    QString Runtime() const { return scratch_.path(); }
    void PlugIn(std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--link", Link().toStdString()});
        device_ = std::make_unique<kvd::test::SimProcess>(args);
    }
    void Unplug() { device_.reset(); }

  private:
    QTemporaryDir scratch_;
    QString previousFolder_;
    QByteArray previousRuntime_;
    std::unique_ptr<kvd::test::SimProcess> device_;
};

// Runs `action` on the UI thread once `ready` holds, from whatever event loop runs then
// (the modal loops of the tray's run and of the progress dialog included).
void When(std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (!ready()) return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(5);
}

bool IsReady(const CStartDlg* dialog) {
    return dialog != nullptr && dialog->CurrentState() == State::Ready;
}

// Opens the transfer window with the GPS button, as the user does. The window fetches its
// list once it shows; ListFetched() tells when that has ended.
kvd::CKVD2730Dlg* OpenTransferWindow(CStartDlg& dialog) {
    QTest::mouseClick(dialog.GpsButton(), Qt::LeftButton);
    kvd::CKVD2730Dlg* window = dialog.TransferWindow();
    if (window != nullptr)
        QObject::connect(window, &kvd::CKVD2730Dlg::Opened, window,
                         [window] { window->setProperty("listFetched", true); });
    return window;
}

bool ListFetched(const kvd::CKVD2730Dlg* window) {
    return window != nullptr && window->property("listFetched").toBool();
}

}  // namespace

class StartDialogTest : public QObject {
    Q_OBJECT

  public:
    static void initMain() { kvd::test::UsePrivateUserFolders(); }

  private slots:
    void withoutADeviceItWaits_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("connecting");
        QTest::addColumn<QString>("gpsLogData");
        QTest::newRow("English") << 0x0409 << "connecting"
                                 << "GPS log data";
        QTest::newRow("Japanese") << 0x0411 << QString::fromUtf8("接続待機中")
                                  << QString::fromUtf8("GPSログデータ");
    }
    void withoutADeviceItWaits() {
        QFETCH(int, langId);
        QFETCH(QString, connecting);
        QFETCH(QString, gpsLogData);
        LanguageScope language(static_cast<uint16_t>(langId));
        Desk desk;
        CStartDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(350);  // a few discovery passes
        QCOMPARE(dialog.windowTitle(), QStringLiteral("RW-T356 GPS Log"));
        QCOMPARE(dialog.size(), CStartDlg::kSize);
        QCOMPARE(dialog.CurrentState(), State::Searching);
        QVERIFY(dialog.IsSearching());
        QVERIFY(!dialog.GpsButton()->isEnabled());
        QVERIFY(!dialog.UpdateButton()->isEnabled());
        QCOMPARE(dialog.GpsButton()->DisabledText(), connecting);
        QCOMPARE(dialog.GpsButton()->EnabledText(), gpsLogData);
        QCOMPARE(dialog.UpdateButton()->DisabledText(), connecting);
        QVERIFY(dialog.StatusLine()->text().isEmpty());
        QVERIFY(!dialog.UpdateButton()->isVisible());
        QVERIFY(dialog.UpdateButton()->size().isEmpty());
    }

    void enterDoesNothingAndEscapeEnds() {
        Desk desk;
        CStartDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.CurrentState(), State::Ended);
        QVERIFY(!dialog.IsSearching());  // the search thread is gone with the dialog
    }

    void theDeviceAppearingEnablesTheGpsButton() {
        Desk desk;
        CStartDlg dialog;
        QSignalSpy states(&dialog, &CStartDlg::StateChanged);
        dialog.show();
        QTest::qWait(250);
        desk.PlugIn();
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
        QVERIFY(dialog.GpsButton()->isEnabled());
        QVERIFY(!dialog.UpdateButton()->isEnabled());
        QVERIFY(!dialog.UpdateButton()->isVisible());
        QVERIFY(dialog.IsChecking());
        QCOMPARE(states.count(), 2);  // Identifying, then Ready: one identification sufficed
        QCOMPARE(states.at(0).at(0).value<State>(), State::Identifying);
    }

    void aLostDeviceClosesAnIdleTransferWindowAndTheSearchStartsAgain() {
        Desk desk;
        desk.PlugIn();
        CStartDlg dialog;
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
        QPointer<kvd::CKVD2730Dlg> window = OpenTransferWindow(dialog);
        QVERIFY(window != nullptr);
        QCOMPARE(dialog.Presenter().TransferWindow(), &window->Presenter());
        QTRY_VERIFY_WITH_TIMEOUT(ListFetched(window), kDeviceWaitMs);
        QVERIFY(window->isVisible());
        QCOMPARE(window->List()->RowCount(), 10);

        desk.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kDeviceWaitMs);
        QCOMPARE(dialog.TransferWindow(), nullptr);
        QCOMPARE(dialog.Presenter().TransferWindow(), nullptr);
        QVERIFY(dialog.CurrentState() == State::Searching || dialog.IsSearching());
        QVERIFY(!dialog.GpsButton()->isEnabled());

        desk.PlugIn();  // plugged in again: found, identified, usable
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
    }

    void closingTheTransferWindowSearchesAndIdentifiesAgain() {
        Desk desk;
        desk.PlugIn();
        CStartDlg dialog;
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
        kvd::CKVD2730Dlg* window = OpenTransferWindow(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(ListFetched(window), kDeviceWaitMs);
        QSignalSpy states(&dialog, &CStartDlg::StateChanged);
        QTest::mouseClick(window->CloseButton(), Qt::LeftButton);
        QCOMPARE(dialog.TransferWindow(), nullptr);
        QVERIFY(!dialog.GpsButton()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
        QCOMPARE(states.count(), 3);
        QCOMPARE(states.at(0).at(0).value<State>(), State::Searching);
        QCOMPARE(states.at(1).at(0).value<State>(), State::Identifying);
    }

    void theCheckWaitsWhileAChooserIsOpen() {
        Desk desk;
        desk.PlugIn();
        RecordingPrompts prompts;
        CStartDlg dialog(nullptr, &prompts);
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(IsReady(&dialog), kDeviceWaitMs);
        QPointer<kvd::CKVD2730Dlg> window = OpenTransferWindow(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(ListFetched(window), kDeviceWaitMs);
        bool stillOpenWhileChoosing = false;
        bool selectingSeen = false;
        prompts.whileChoosing = [&] {
            selectingSeen = dialog.Presenter().IsSelecting();
            desk.Unplug();
            // Two checks would have failed.
            QTest::qWait(2 * kvd::StartPresenter::kCheckIntervalMs + 200);
            stillOpenWhileChoosing = !window.isNull() && IsReady(&dialog);
        };
        QTest::mouseClick(window->SelectButton(), Qt::LeftButton);
        QVERIFY(selectingSeen);
        QVERIFY(stillOpenWhileChoosing);
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kDeviceWaitMs);  // noticed once it closed
        QVERIFY(!dialog.GpsButton()->isEnabled());
    }

    void theTrayMenuStaysShutWhileAChooserIsOpen() {
        Desk desk;
        desk.PlugIn();
        RecordingPrompts prompts;
        kvd::InstanceLock lock(desk.Runtime().toStdString());
        kvd::CTrayWindow tray(lock, kvd::ModeGpsLog, &prompts);
        QCOMPARE(tray.Icon().toolTip(), QStringLiteral("KVD-2730"));
        QCOMPARE(tray.Icon().contextMenu(), nullptr);  // the tray would open it regardless

        bool shownWhileChoosing = true;
        bool shownAfterwards = false;
        prompts.whileChoosing = [&] { shownWhileChoosing = tray.ShowIconMenu({10, 10}); };
        When([&] { return IsReady(tray.StartDialog()); },
             [&] {
                 kvd::CKVD2730Dlg* window = OpenTransferWindow(*tray.StartDialog());
                 When([window] { return ListFetched(window); },
                      [&, window] {
                          QTest::mouseClick(window->SelectButton(), Qt::LeftButton);
                          shownAfterwards =
                              tray.ShowIconMenu({10, 10}) && tray.IconMenu().isVisible();
                          tray.IconMenu().actions().at(0)->trigger();  // Exit
                          QTest::mouseClick(window->CloseButton(), Qt::LeftButton);
                      });
             });
        QCOMPARE(tray.Run(), 0);
        QVERIFY(!shownWhileChoosing);
        QVERIFY(shownAfterwards);
    }

    // The exit command, in each state the program can be in when it comes.
    void exitWithoutATransferWindowEndsAtOnce_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("exit");
        QTest::newRow("English") << 0x0409 << "Exit";
        QTest::newRow("Japanese") << 0x0411 << QString::fromUtf8("終了");
    }
    void exitWithoutATransferWindowEndsAtOnce() {
        QFETCH(int, langId);
        QFETCH(QString, exit);
        LanguageScope language(static_cast<uint16_t>(langId));
        Desk desk;
        kvd::InstanceLock lock(desk.Runtime().toStdString());
        kvd::CTrayWindow tray(lock);
        QSignalSpy opened(&tray, &kvd::CTrayWindow::StartDialogOpened);
        QStringList menu;
        When([&] { return tray.StartDialog() != nullptr && tray.StartDialog()->isVisible(); },
             [&] {
                 for (const QAction* action : tray.IconMenu().actions()) menu << action->text();
                 tray.ExitCommand();
             });
        QCOMPARE(tray.Run(), 0);  // returns: the dialog ended, the search thread was joined
        QCOMPARE(menu, QStringList{exit});  // the icon's one-item menu
        QCOMPARE(opened.count(), 1);
        QCOMPARE(tray.StartDialog(), nullptr);
        QCOMPARE(tray.Session().StartDialog(), nullptr);
        QVERIFY(!tray.Icon().isVisible());
    }

    void exitWithAnIdleTransferWindowEndsWhenItCloses() {
        Desk desk;
        desk.PlugIn();
        kvd::InstanceLock lock(desk.Runtime().toStdString());
        kvd::CTrayWindow tray(lock);
        bool windowStayedOpen = false;
        When([&] { return IsReady(tray.StartDialog()); },
             [&] {
                 kvd::CKVD2730Dlg* window = OpenTransferWindow(*tray.StartDialog());
                 When([window] { return ListFetched(window); },
                      [&, window] {
                          tray.ExitCommand();
                          QTest::qWait(1200);  // a connection check comes and goes
                          windowStayedOpen = window->isVisible() && tray.StartDialog() != nullptr;
                          QTest::mouseClick(window->CloseButton(), Qt::LeftButton);
                      });
             });
        QCOMPARE(tray.Run(), 0);
        QVERIFY(windowStayedOpen);
        QCOMPARE(tray.StartDialog(), nullptr);
    }

    void exitDuringAGetStopsItShowsTheResultAndEnds() {
        Desk desk;
        desk.PlugIn({"--baud", "115200", "--trips", "2", "--fixes", "2000"});
        RecordingPrompts prompts;
        kvd::InstanceLock lock(desk.Runtime().toStdString());
        kvd::CTrayWindow tray(lock, kvd::ModeGpsLog, &prompts);
        bool progressShown = false;
        When([&] { return IsReady(tray.StartDialog()); },
             [&] {
                 kvd::CKVD2730Dlg* window = OpenTransferWindow(*tray.StartDialog());
                 When([window] { return ListFetched(window); },
                      [&, window] {
                          QTest::mouseClick(window->List()->CheckBox(0), Qt::LeftButton);
                          QTest::mouseClick(window->List()->CheckBox(1), Qt::LeftButton);
                          When(
                              [] {
                                  auto* progress = qobject_cast<kvd::CWaitDialog*>(
                                      QApplication::activeModalWidget());
                                  return progress != nullptr && progress->Bar()->value() > 0;
                              },
                              [&] {
                                  progressShown = true;
                                  tray.ExitCommand();
                              });
                          QTest::mouseClick(window->GetButton(), Qt::LeftButton);
                      });
             });
        QCOMPARE(tray.Run(), 0);
        QVERIFY(progressShown);
        QCOMPARE(prompts.boxes, QStringList{QStringLiteral("Getting data error")});
        // The stopped download left nothing behind, not even a temporary file.
        QCOMPARE(QDir(desk.Saves()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }

    // A second copy shows the system's text and our line, brings the first to the front and
    // ends; the first keeps its lock.
    void aSecondCopyShowsTheSystemsTextAndLeavesTheFirstAlone() {
        Desk desk;
        kvd::InstanceLock first(desk.Runtime().toStdString());
        QVERIFY(first.Acquire());
        std::atomic<int> secondStarts{0};
        first.ListenForSecondStart([&] { ++secondStarts; });
        kvd::InstanceLock second(desk.Runtime().toStdString());
        kvd::CTrayWindow tray(second);
        QString title, text;
        int buttons = 0;
        bool startDialogSeen = false;
        When([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
             [&] {
                 auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                 title = box->windowTitle();
                 text = box->text();
                 buttons = static_cast<int>(box->buttons().size());
                 startDialogSeen = tray.StartDialog() != nullptr;
                 box->button(QMessageBox::Ok)->click();
             });
        QCOMPARE(tray.Run(), 0);
        QCOMPARE(title, QStringLiteral("ERROR"));
        QVERIFY(!kvd::AlreadyExistsText().empty());
        QCOMPARE(text, QString::fromStdString(kvd::AlreadyExistsText()) +
                           QStringLiteral("\nKVD-2730 is already running."));
        QCOMPARE(buttons, 1);
        QVERIFY(!startDialogSeen);
        QVERIFY(!tray.Icon().isVisible());
        QTRY_COMPARE(secondStarts.load(), 1);  // the running copy was told
        kvd::InstanceLock third(desk.Runtime().toStdString());
        QVERIFY(!third.Acquire());  // the first still holds the lock
        QVERIFY(QFile::exists(QDir(desk.Runtime()).filePath("KVD2730")));
    }

    // The running copy, told of a second start, brings its start dialog to the front; once
    // its windows are gone, a second start only finds the lock.
    void aSecondStartBringsTheRunningCopyToTheFront() {
        Desk desk;
        kvd::InstanceLock lock(desk.Runtime().toStdString());
        auto tray = std::make_unique<kvd::CTrayWindow>(lock);
        QWidget other;
        bool ended = false;
        bool raised = false;
        When([&] { return tray->StartDialog() != nullptr && tray->StartDialog()->isVisible(); },
             [&] {
                 other.show();
                 other.activateWindow();
                 When([&] { return ended || QApplication::activeWindow() == &other; },
                      [&] {
                          if (ended) return;
                          kvd::InstanceLock second(desk.Runtime().toStdString());
                          QVERIFY(!second.Acquire());
                          second.NotifyRunningCopy();
                          When(
                              [&] {
                                  return ended ||
                                         QApplication::activeWindow() == tray->StartDialog();
                              },
                              [&] {
                                  if (ended) return;
                                  raised = true;
                                  ended = true;
                                  tray->ExitCommand();
                              });
                      });
                 QTimer::singleShot(kDeviceWaitMs, &other, [&] {  // a bound against hanging
                     if (ended) return;
                     ended = true;
                     tray->ExitCommand();
                 });
             });
        QCOMPARE(tray->Run(), 0);
        QVERIFY(raised);

        tray.reset();  // as main() ends: the window goes first, the lock after it
        kvd::InstanceLock late(desk.Runtime().toStdString());
        QVERIFY(!late.Acquire());
        late.NotifyRunningCopy();
        QTest::qWait(50);  // the lock's thread takes the call and must touch nothing gone
    }
};

QTEST_MAIN(StartDialogTest)
#include "start_dialog_test.moc"
