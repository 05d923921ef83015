// The progress dialog with a real worker thread: its two styles, its texts in both languages,
// and cancelling, also against the virtual device.
#include "shell/wait_dialog.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "gui_test_support.h"
#include "shell/shell.h"
#include "support/sim_process.h"
#include "transfer/transfer.h"

using kvd::CWaitDialog;
using kvd::ProgressRun;
using kvd::ProgressStyle;
using kvd::test::LanguageScope;

namespace {

// Calls `step` on the UI thread every few milliseconds while the dialog runs, until it
// answers true.
void WhileOpen(CWaitDialog& dialog, std::function<bool()> step) {
    auto* timer = new QTimer(&dialog);
    QObject::connect(timer, &QTimer::timeout, &dialog, [timer, step] {
        if (step()) timer->stop();
    });
    timer->start(5);
}

// Lets the worker wait until the test on the UI thread has looked.
struct Gate {
    std::atomic<bool> open{false};
    void Wait() const {
        while (!open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
};

struct Seen {
    QString title;
    QString message;
    int bar = -1;
    bool visible = false;
};

Seen Look(const CWaitDialog& dialog) {
    return {dialog.windowTitle(), dialog.MessageLine()->text(), dialog.Bar()->value(),
            dialog.isVisible()};
}

// Keeps a rendering for people to look at when KVD2730_SCREENSHOTS names a folder.
void KeepRendering(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("KVD2730_SCREENSHOTS");
    if (!folder.isEmpty()) widget.grab().save(QDir(folder).filePath(name + ".png"));
}

}  // namespace

class WaitDialogTest : public QObject {
    Q_OBJECT

  public:
    static void initMain() { kvd::test::UsePrivateUserFolders(); }

  private slots:
    void percentStyleTexts_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("starting");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const QString english =
            QString::fromUtf8("Please wait 37 %\n\nSpent time：12 s  Estimated time：20 s");
        const QString japanese =
            QString::fromUtf8("お待ちください 37 %\n\n経過時間：12 s  残り時間：20 s");
        QTest::newRow("English, from the device to a file") << 0x0409 << 0 << "Starting"
                                                            << "Cancel"
                                                            << "0601.LOG Getting 37 %" << english;
        QTest::newRow("English, from the device to memory") << 0x0409 << 1 << "Starting"
                                                            << "Cancel"
                                                            << "0601.LOG Getting 37 %" << english;
        QTest::newRow("English, to the device") << 0x0409 << 2 << "Starting"
                                                << "Cancel"
                                                << "0601.LOG Updating 37 %" << english;
        QTest::newRow("Japanese, from the device")
            << 0x0411 << 1 << QString::fromUtf8("開始中") << QString::fromUtf8("キャンセル")
            << QString::fromUtf8("0601.LOG 取得中 37 %") << japanese;
        QTest::newRow("Japanese, to the device")
            << 0x0411 << 2 << QString::fromUtf8("開始中") << QString::fromUtf8("キャンセル")
            << QString::fromUtf8("0601.LOG 更新中 37 %") << japanese;
    }
    void percentStyleTexts() {
        QFETCH(int, langId);
        QFETCH(int, mode);
        QFETCH(QString, starting);
        QFETCH(QString, cancel);
        QFETCH(QString, title);
        QFETCH(QString, message);
        LanguageScope language(static_cast<uint16_t>(langId));
        kvd::CancelRequest cancelRequest;
        ProgressRun run(ProgressStyle::Percent(), cancelRequest);
        CWaitDialog dialog(nullptr, run);
        Gate first, reported;
        std::vector<Seen> seen;
        WhileOpen(dialog, [&] {
            if (!dialog.isVisible()) return false;
            if (!first.open) {
                seen.push_back(Look(dialog));  // before any report
                first.open = true;
                return false;
            }
            if (dialog.windowTitle() == starting) return false;
            seen.push_back(Look(dialog));
            KeepRendering(dialog, QStringLiteral("progress-percent-%1-%2")
                                      .arg(mode)
                                      .arg(langId, 4, 16, QLatin1Char('0')));
            reported.open = true;
            return true;
        });
        int written = 0;  // what the operation leaves is the caller's once Execute returns
        dialog.Execute([&] {
            first.Wait();
            ProgressRun::Report(&run, 103, "0601.LOG", 1, 2, mode);  // dropped
            ProgressRun::Report(&run, -1, "0601.LOG", 1, 2, mode);   // dropped
            ProgressRun::Report(&run, 37, "0601.LOG", 12.4, 32.2, mode);
            reported.Wait();
            written = 7;
        });
        QCOMPARE(written, 7);
        QVERIFY(run.Finished());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(seen.size(), std::size_t{2});
        QCOMPARE(seen[0].title, starting);
        QCOMPARE(seen[0].message, starting);
        QCOMPARE(seen[0].bar, 0);
        QCOMPARE(seen[1].title, title);
        QCOMPARE(seen[1].message, message);
        QCOMPARE(seen[1].bar, 37);
        QCOMPARE(dialog.Bar()->value(), 100);  // filled at the end
        QVERIFY(dialog.CancelButton()->isVisibleTo(&dialog));
        QCOMPARE(dialog.CancelButton()->text(), cancel);
    }

    // The endless bar of the list fetch can be cancelled; the delete's says that it cannot,
    // and Escape and the close box leave it alone.
    void marqueeStyleIsCentredOnItsOwnerAndEscapeAbortsOnlyWhatMayStop_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cancellable");
        QTest::addColumn<QString>("afterEscape");
        QTest::newRow("English, the delete") << 0x0409 << "Please wait※can not abort deleting"
                                             << false << "Please wait※can not abort deleting";
        QTest::newRow("Japanese, the delete")
            << 0x0411 << QString::fromUtf8("お待ちください　※削除は中断できません") << false
            << QString::fromUtf8("お待ちください　※削除は中断できません");
        QTest::newRow("English, the list") << 0x0409 << "Please wait" << true << "aborting";
        QTest::newRow("Japanese, the list") << 0x0411 << QString::fromUtf8("お待ちください") << true
                                            << QString::fromUtf8("キャンセル中");
    }
    void marqueeStyleIsCentredOnItsOwnerAndEscapeAbortsOnlyWhatMayStop() {
        QFETCH(int, langId);
        QFETCH(QString, message);
        QFETCH(bool, cancellable);
        QFETCH(QString, afterEscape);
        LanguageScope language(static_cast<uint16_t>(langId));
        QWidget owner;
        owner.setGeometry(101, 57, 641, 351);
        owner.show();
        kvd::CancelRequest cancel;
        ProgressRun run(ProgressStyle::Endless(message.toStdString(), cancellable), cancel);
        CWaitDialog dialog(&owner, run);
        Gate escaped;
        QRect geometry;
        QString shown, afterEscapeSeen, afterClose;
        bool cancelVisible = !cancellable;
        bool openAfterClose = false;
        WhileOpen(dialog, [&] {
            if (!dialog.isVisible()) return false;
            geometry = QRect(dialog.frameGeometry().topLeft(), dialog.size());
            KeepRendering(dialog, QStringLiteral("progress-marquee-%1-%2")
                                      .arg(cancellable ? "list" : "delete")
                                      .arg(langId, 4, 16, QLatin1Char('0')));
            shown = dialog.MessageLine()->text();
            cancelVisible = dialog.CancelButton()->isVisibleTo(&dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            afterEscapeSeen = dialog.MessageLine()->text();
            dialog.close();
            afterClose = dialog.MessageLine()->text();
            openAfterClose = dialog.isVisible();
            escaped.open = true;
            return true;
        });
        std::atomic<bool> cancelSeen{false};
        dialog.Execute([&] {
            escaped.Wait();
            cancelSeen = cancel.IsRequested();
        });
        const QRect frame = owner.frameGeometry();
        QCOMPARE(geometry.size(), QSize(450, 200));
        QCOMPARE(geometry.topLeft(), QPoint(frame.left() + (frame.width() - 450) / 2,
                                            frame.top() + (frame.height() - 200) / 2));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowTitleHint));
        QCOMPARE(shown, message);
        QCOMPARE(cancelVisible, cancellable);
        QCOMPARE(afterEscapeSeen, afterEscape);
        QCOMPARE(afterClose, afterEscape);
        QVERIFY(openAfterClose);  // the dialog stays open until the operation returned
        QCOMPARE(cancelSeen.load(), cancellable);
        QCOMPARE(cancel.IsRequested(), cancellable);
    }

    void enterDoesNothingAndTheCloseBoxCancels() {
        kvd::CancelRequest cancel;
        ProgressRun run(ProgressStyle::Percent(), cancel);
        CWaitDialog dialog(nullptr, run);
        Gate checked;
        QString afterEnter, afterClose;
        bool cancelAfterEnter = true;
        bool openAfterClose = false;
        WhileOpen(dialog, [&] {
            if (!dialog.isVisible()) return false;
            QTest::keyClick(&dialog, Qt::Key_Return);
            afterEnter = dialog.MessageLine()->text();
            cancelAfterEnter = cancel.IsRequested();
            dialog.close();
            afterClose = dialog.MessageLine()->text();
            openAfterClose = dialog.isVisible();
            checked.open = true;
            return true;
        });
        dialog.Execute([&] { checked.Wait(); });
        QCOMPARE(afterEnter, QStringLiteral("Starting"));
        QVERIFY(!cancelAfterEnter);
        QCOMPARE(afterClose, QStringLiteral("aborting"));
        QVERIFY(openAfterClose);
        QVERIFY(cancel.IsRequested());
        QCOMPARE(dialog.Bar()->value(), 0);  // cancelled: not filled
    }

    // The operation may end before the dialog's own loop has started: the dialog still
    // closes, and RunModal returns.
    void anOperationThatEndsAtOnce() {
        kvd::CancelRequest cancel;
        ProgressRun run(ProgressStyle::Endless("Please wait", true), cancel);
        bool ran = false;
        CWaitDialog::RunModal(nullptr, run, [&] { ran = true; });
        QVERIFY(ran);
        QVERIFY(run.Finished());
        QVERIFY(!cancel.IsRequested());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // A get at 19200 baud: Cancel after the first report stops the link at a block boundary.
    void cancelDuringASlowTransfer() {
        kvd::test::SimProcess sim({"--trips", "1", "--fixes", "3000", "--baud", "19200"});
        QTemporaryDir folder;
        kvd::CancelRequest cancel;
        ProgressRun run(ProgressStyle::Percent(), cancel);
        CWaitDialog dialog(nullptr, run);
        QString afterCancel;
        bool openAfterCancel = false;
        int barAtCancel = -1;
        WhileOpen(dialog, [&] {
            if (dialog.Bar()->value() < 1) return false;
            barAtCancel = dialog.Bar()->value();
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            afterCancel = dialog.MessageLine()->text();
            openAfterCancel = dialog.isVisible();
            return true;
        });
        kvd::TransferSettings settings;
        settings.port = sim.Port();
        settings.timeoutMs = 5000;
        settings.progress = &ProgressRun::Report;
        settings.progressContext = &run;
        settings.cancel = &cancel;
        const std::vector<int> selected{0};
        kvd::OperationReport report;
        dialog.Execute([&] {
            report = kvd::GetSelectedFiles(settings, selected, folder.path().toStdString(),
                                           &kvd::ConvertGpsLogToKml, nullptr);
        });
        QCOMPARE(afterCancel, QStringLiteral("aborting"));
        QVERIFY(openAfterCancel);
        QVERIFY(!report.Succeeded());
        QVERIFY(report.Cancelled());
        QVERIFY(dialog.Bar()->value() < 100);
        QVERIFY(dialog.Bar()->value() >= barAtCancel);
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

QTEST_MAIN(WaitDialogTest)
#include "wait_dialog_test.moc"
