// The progress dialog with a real worker thread: its two styles, its texts in both languages,
// and cancelling, also against the virtual device.
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

#include "devicelink/devicelink.h"
#include "shell/shell.h"
#include "shell/wait_dialog.h"
#include "support/sim_process.h"
#include "gpslog/gpslog.h"
#include "transfer/transfer.h"

using kvd::CWaitDialog;

namespace {

const QString kStarting = QString::fromUtf8("開始中");

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

class LanguageScope {
public:
    explicit LanguageScope(uint16_t langId) : previous_(kvd::g_userLangId) { kvd::g_userLangId = langId; }
    ~LanguageScope() { kvd::g_userLangId = previous_; }

private:
    uint16_t previous_;
};

}  // namespace

class WaitDialogTest : public QObject {
    Q_OBJECT

private slots:

    void percentStyleTexts_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("English, from the device to a file")
            << 0x0409 << 0 << "0601.LOG Getting 37 %"
            << QString::fromUtf8("Please wait 37 %\n\nSpent time：12 s  Estimated time：20 s");
        QTest::newRow("English, from the device to memory")
            << 0x0409 << 1 << "0601.LOG Getting 37 %"
            << QString::fromUtf8("Please wait 37 %\n\nSpent time：12 s  Estimated time：20 s");
        QTest::newRow("English, to the device")
            << 0x0409 << 2 << "0601.LOG Updating 37 %"
            << QString::fromUtf8("Please wait 37 %\n\nSpent time：12 s  Estimated time：20 s");
        QTest::newRow("Japanese, from the device")
            << 0x0411 << 1 << QString::fromUtf8("0601.LOG 取得中 37 %")
            << QString::fromUtf8("お待ちください 37 %\n\n経過時間：12 s  残り時間：20 s");
        QTest::newRow("Japanese, to the device")
            << 0x0411 << 2 << QString::fromUtf8("0601.LOG 更新中 37 %")
            << QString::fromUtf8("お待ちください 37 %\n\n経過時間：12 s  残り時間：20 s");
    }
    void percentStyleTexts() {
        QFETCH(int, langId);
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(QString, message);
        LanguageScope language(static_cast<uint16_t>(langId));
        kvd::CancelRequest cancel;
        CWaitDialog dialog(nullptr, cancel);
        Gate first, reported;
        std::vector<Seen> seen;
        WhileOpen(dialog, [&] {
            if (!dialog.isVisible()) return false;
            if (!first.open) {
                seen.push_back(Look(dialog));  // before any report
                first.open = true;
                return false;
            }
            if (dialog.windowTitle() == kStarting) return false;
            seen.push_back(Look(dialog));
            KeepRendering(dialog, QStringLiteral("progress-percent-%1-%2").arg(mode).arg(langId, 4, 16, QLatin1Char('0')));
            reported.open = true;
            return true;
        });
        const int32_t result = dialog.Execute(
            nullptr,
            [&](CWaitDialog& d) {
                first.Wait();
                CWaitDialog::WaitProgressCallback(&d, 103, "0601.LOG", 1, 2, mode);  // dropped
                CWaitDialog::WaitProgressCallback(&d, -1, "0601.LOG", 1, 2, mode);   // dropped
                CWaitDialog::WaitProgressCallback(&d, 37, "0601.LOG", 12.4, 32.2, mode);
                reported.Wait();
                return 7;
            },
            true, true, "unused in this style");
        QCOMPARE(result, 7);
        QCOMPARE(seen.size(), std::size_t{2});
        QCOMPARE(seen[0].title, kStarting);
        QCOMPARE(seen[0].message, kStarting);
        QCOMPARE(seen[0].bar, 0);
        QCOMPARE(seen[1].title, title);
        QCOMPARE(seen[1].message, message);
        QCOMPARE(seen[1].bar, 37);
        QCOMPARE(dialog.Bar()->value(), 100);  // filled at the end
        QVERIFY(dialog.CancelButton()->isVisibleTo(&dialog));
        QCOMPARE(dialog.CancelButton()->text(), QString::fromUtf8("キャンセル"));
    }

    void marqueeStyleIsCentredOnItsOwnerAndEscapeStillAborts_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("message");
        QTest::newRow("English") << 0x0409 << "Please wait※can not abort deleting";
        QTest::newRow("Japanese") << 0x0411 << QString::fromUtf8("お待ちください　※削除は中断できません");
    }
    void marqueeStyleIsCentredOnItsOwnerAndEscapeStillAborts() {
        QFETCH(int, langId);
        QFETCH(QString, message);
        LanguageScope language(static_cast<uint16_t>(langId));
        QWidget owner;
        owner.setGeometry(101, 57, 641, 351);
        owner.show();
        kvd::CancelRequest cancel;
        CWaitDialog dialog(&owner, cancel);
        Gate escaped;
        QRect geometry;
        QString shown, afterEscape;
        bool cancelVisible = true;
        WhileOpen(dialog, [&] {
            if (!dialog.isVisible()) return false;
            geometry = QRect(dialog.frameGeometry().topLeft(), dialog.size());
            KeepRendering(dialog, QStringLiteral("progress-marquee-%1").arg(langId, 4, 16, QLatin1Char('0')));
            shown = dialog.MessageLine()->text();
            cancelVisible = dialog.CancelButton()->isVisibleTo(&dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            afterEscape = dialog.MessageLine()->text();
            escaped.open = true;
            return true;
        });
        std::atomic<bool> cancelSeen{false};
        dialog.Execute(
            &owner,
            [&](CWaitDialog&) {
                escaped.Wait();
                cancelSeen = cancel.IsRequested();
                return 0;
            },
            false, false, message);
        const QRect frame = owner.frameGeometry();
        QCOMPARE(geometry.size(), QSize(450, 200));
        QCOMPARE(geometry.topLeft(), QPoint(frame.left() + (frame.width() - 450) / 2,
                                            frame.top() + (frame.height() - 200) / 2));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowTitleHint));
        QCOMPARE(shown, message);
        QVERIFY(!cancelVisible);
        QCOMPARE(afterEscape, langId == 0x0411 ? QString::fromUtf8("キャンセル中") : "aborting");
        QVERIFY(cancelSeen.load());  // the dialog stayed open until the operation returned
        QVERIFY(dialog.CancelRequested());
    }

    void enterDoesNothingAndTheCloseBoxCancels() {
        kvd::CancelRequest cancel;
        CWaitDialog dialog(nullptr, cancel);
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
        dialog.Execute(nullptr, [&](CWaitDialog&) { checked.Wait(); return 1; }, true, true, {});
        QCOMPARE(afterEnter, kStarting);
        QVERIFY(!cancelAfterEnter);
        QCOMPARE(afterClose, QStringLiteral("aborting"));
        QVERIFY(openAfterClose);
        QCOMPARE(dialog.Bar()->value(), 0);  // cancelled: not filled
    }

    // A get at 19200 baud: Cancel after the first report stops the link at a block boundary.
    void cancelDuringASlowTransfer() {
        kvd::test::SimProcess sim({"--trips", "1", "--fixes", "3000", "--baud", "19200"});
        QTemporaryDir folder;
        kvd::CancelRequest cancel;
        CWaitDialog dialog(nullptr, cancel);
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
        settings.progress = &CWaitDialog::WaitProgressCallback;
        settings.progressContext = &dialog;
        settings.cancel = &cancel;
        const std::vector<int> selected{0};
        kvd::OperationReport report;
        const int32_t result = dialog.Execute(
            nullptr,
            [&](CWaitDialog&) {
                report = kvd::GetSelectedFiles(settings, selected, folder.path().toStdString(), &kvd::ConvertGpsLogToKml, nullptr);
                return report.Succeeded() ? 1 : 0;
            },
            true, true, {});
        QCOMPARE(afterCancel, QStringLiteral("aborting"));
        QVERIFY(openAfterCancel);
        QCOMPARE(result, 0);
        QVERIFY(report.Cancelled());
        QVERIFY(dialog.Bar()->value() < 100);
        QVERIFY(dialog.Bar()->value() >= barAtCancel);
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

QTEST_MAIN(WaitDialogTest)
#include "wait_dialog_test.moc"
