// The transfer window against the virtual device on a pseudo-terminal: the list, the four
// operations with their warnings and result boxes, and the pause of the opener's check.
#include "transfer/transfer_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "shell/shell.h"
#include "shell/wait_dialog.h"
#include "support/sim_process.h"

using kvd::CKVD2730Dlg;

namespace {

struct Box {
    QString text;
    QString detail;
};

// Records the boxes instead of showing them, and answers the choosers from a queue.
class RecordingPrompts final : public kvd::TransferPrompts {
public:
    QList<Box> boxes;
    QStringList choices;  // the next answers; an empty string is a cancel
    QList<bool> selectingWhileOpen;

    void ShowMessage(QWidget*, const QString& text, const QString& detail) override {
        boxes << Box{text, detail};
    }
    std::optional<QString> ChooseFolder(QWidget* owner, const QString&, const QString&) override {
        return Answer(owner);
    }
    std::optional<QString> ChooseFile(QWidget* owner, const QString&, const QString&) override {
        return Answer(owner);
    }

private:
    std::optional<QString> Answer(QWidget* owner) {
        selectingWhileOpen << static_cast<CKVD2730Dlg*>(owner)->IsSelecting();
        const QString answer = choices.isEmpty() ? QString() : choices.takeFirst();
        if (answer.isEmpty()) return std::nullopt;
        return answer;
    }
};

class RecordingCheck final : public kvd::ConnectionCheck {
public:
    QStringList calls;
    void PauseConnectionCheck() override { calls << "pause"; }
    void ResumeConnectionCheck() override { calls << "resume"; }
    bool ExitRequested() const override { return exitRequested; }
    bool exitRequested = false;
};

class LanguageScope {
public:
    explicit LanguageScope(uint16_t langId) : previous_(kvd::g_userLangId) { kvd::g_userLangId = langId; }
    ~LanguageScope() { kvd::g_userLangId = previous_; }

private:
    uint16_t previous_;
};

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// A virtual device with a journal of the lines it received, a scratch current folder and
// the window under test.
class Bench {
public:
    explicit Bench(std::vector<std::string> simArgs, kvd::TransferWindowMode mode = kvd::ModeGpsLog,
                   bool open = true)
        : previousFolder_(QDir::currentPath()) {
        journal_ = scratch_.filePath("journal.txt");
        store_ = scratch_.filePath("store");
        QDir().mkpath(store_);
        QDir().mkpath(current());
        simArgs.insert(simArgs.end(), {"--journal", journal_.toStdString(), "--store", store_.toStdString()});
        sim_ = std::make_unique<kvd::test::SimProcess>(simArgs);
        kvd::SetDevicePort(0, sim_->Port());
        QDir::setCurrent(current());
        window_ = std::make_unique<CKVD2730Dlg>(nullptr, mode, &check, &prompts);
        if (open) Open();
    }
    ~Bench() {
        window_.reset();
        QDir::setCurrent(previousFolder_);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    void Open() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    CKVD2730Dlg& window() { return *window_; }
    QString current() const { return scratch_.filePath("current"); }
    QString store() const { return store_; }
    QString folder(const QString& name) const {
        const QString path = scratch_.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    // The command lines the device received, without their line feeds.
    QStringList Journal() const {
        QFile file(journal_);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        return lines;
    }
    QStringList JournalSinceOpen() const { return Journal().mid(2); }  // SetMode, GetLogList
    void Tick(int row) {
        QCheckBox* box = window_->List()->CheckBox(row);
        QVERIFY2(box != nullptr, "no such row");
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    }

    RecordingPrompts prompts;
    RecordingCheck check;

private:
    QTemporaryDir scratch_;
    QString journal_;
    QString store_;
    QString previousFolder_;
    std::unique_ptr<kvd::test::SimProcess> sim_;
    std::unique_ptr<CKVD2730Dlg> window_;
};

QStringList RowNames(const CKVD2730Dlg& window) {
    QStringList names;
    for (int row = 0; row < window.List()->RowCount(); ++row) names << window.List()->CellText(row, 1);
    return names;
}

QString InvalidRows(const CKVD2730Dlg& window) {
    QString marks;
    for (int row = 0; row < window.List()->RowCount(); ++row)
        marks += window.List()->CheckBox(row)->isEnabled() ? '0' : '1';
    return marks;
}

QString LabelText(const CKVD2730Dlg& window, const QString& text) {
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->text() == text && label->isVisibleTo(&window)) return text;
    return {};
}

// Runs `step` on the UI thread while a progress dialog is open, until it answers true.
void WhileOperationRuns(QObject* context, std::function<bool(kvd::CWaitDialog&)> step) {
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, step] {
        auto* dialog = qobject_cast<kvd::CWaitDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && step(*dialog)) timer->deleteLater(), timer->stop();
    });
    timer->start(5);
}

// Keeps a rendering for people to look at when KVD2730_SCREENSHOTS names a folder.
void KeepRendering(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("KVD2730_SCREENSHOTS");
    if (!folder.isEmpty()) image.save(QDir(folder).filePath(name + ".png"));
}

}  // namespace

class TransferWindowTest : public QObject {
    Q_OBJECT

private slots:
    void rowsOfAListReplyWithEmptySlots_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("English") << 0x0409
                                 << QStringList{"Get GPS log data", "folder path", "list of GPS log data",
                                                "Select all※can not select invalid files"};
        QTest::newRow("Japanese") << 0x0411
                                  << QStringList{Utf8("GPSログデータの取得"), Utf8("保存フォルダ"),
                                                 Utf8("GPSログデータリスト"),
                                                 Utf8("全て選択※無効なファイルは選択できません。")};
    }
    void rowsOfAListReplyWithEmptySlots() {
        QFETCH(int, langId);
        QFETCH(QStringList, texts);
        LanguageScope language(static_cast<uint16_t>(langId));
        QTemporaryDir logs;
        QFile empty(logs.filePath("EMPTY.LOG"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        Bench bench({"--trips", "2", "--fixes", "5", "--log", "4=" + empty.fileName().toStdString()});
        CKVD2730Dlg& window = bench.window();
        QCOMPARE(window.List()->RowCount(), 10);
        const QStringList names = RowNames(window);
        QVERIFY(!names[0].isEmpty() && !names[1].isEmpty());
        QCOMPARE(names.mid(2), (QStringList{"", "", "EMPTY.LOG", "", "", "", "", ""}));
        QCOMPARE(window.List()->CellText(1, 2), QStringLiteral("96"));  // a header and 5 fixes, 16 bytes each
        QCOMPARE(window.List()->CellText(4, 2), QStringLiteral("0"));
        QCOMPARE(window.List()->CellText(5, 2), QString());
        QCOMPARE(InvalidRows(window), QStringLiteral("0011011111"));
        QVERIFY(!window.GetButton()->isEnabled());
        QVERIFY(!window.DeleteButton()->isEnabled());
        QVERIFY(!window.SelectAllBox()->isChecked());
        for (const QString& text : texts) QCOMPARE(LabelText(window, text), text);
        QCOMPARE(window.size(), CKVD2730Dlg::kGpsLogSize);
        QCOMPARE(window.PathEdit()->text(), QDir::toNativeSeparators(bench.current()));
        QCOMPARE(bench.Journal(), (QStringList{"SetMode 1", "GetLogList"}));

        // Select-all ticks the valid rows only; clearing one keeps Get and Delete enabled.
        QTest::mouseClick(window.SelectAllBox(), Qt::LeftButton);
        QCOMPARE(window.List()->CheckedRows(), (std::vector<int>{0, 1, 4}));
        QVERIFY(window.GetButton()->isEnabled() && window.DeleteButton()->isEnabled());
        bench.Tick(0);
        QVERIFY(window.GetButton()->isEnabled());
        QVERIFY(window.SelectAllBox()->isChecked());
        bench.Tick(1);
        bench.Tick(4);
        QVERIFY(!window.GetButton()->isEnabled() && !window.DeleteButton()->isEnabled());
    }

    void paintsWhiteWithTheBanner_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<int>("mode");
        QTest::newRow("English, GPS logs") << 0x0409 << int(kvd::ModeGpsLog);
        QTest::newRow("Japanese, GPS logs") << 0x0411 << int(kvd::ModeGpsLog);
        QTest::newRow("English, update") << 0x0409 << int(kvd::ModeUpdate);
        QTest::newRow("Japanese, update") << 0x0411 << int(kvd::ModeUpdate);
    }
    void paintsWhiteWithTheBanner() {
        QFETCH(int, langId);
        QFETCH(int, mode);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "4", "--fixes", "30", "--log", "7=/dev/null"},
                    static_cast<kvd::TransferWindowMode>(mode));
        if (mode == kvd::ModeGpsLog) bench.Tick(1);
        const QImage image = bench.window().grab().toImage().convertToFormat(QImage::Format_RGB32);
        KeepRendering(image, QStringLiteral("transfer-%1-%2").arg(mode).arg(langId, 4, 16, QLatin1Char('0')));
        QCOMPARE(image.pixelColor(4, image.height() - 4), QColor(Qt::white));
        QCOMPARE(image.pixelColor(2, 2), QImage(":/banner.png").pixelColor(2, 2));
    }

    void withoutADeviceTheListIsEmpty() {
        Bench bench({"--trips", "1"}, kvd::ModeGpsLog, false);
        kvd::SetDevicePort(0, bench.current().toStdString() + "/no-such-port");
        bench.Open();
        QVERIFY(bench.window().isVisible());
        QCOMPARE(bench.window().List()->RowCount(), 0);
        QVERIFY(!bench.window().GetButton()->isEnabled());
        QVERIFY(bench.prompts.boxes.isEmpty());
    }

    void getOfTwoTickedRows_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("success");
        QTest::newRow("English") << 0x0409 << "Getting data normally ends";
        QTest::newRow("Japanese") << 0x0411 << Utf8("データを取得しました");
    }
    void getOfTwoTickedRows() {
        QFETCH(int, langId);
        QFETCH(QString, success);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "3", "--fixes", "40"});
        CKVD2730Dlg& window = bench.window();
        const QString out = bench.folder("out");
        window.PathEdit()->setText(out);
        bench.Tick(0);
        bench.Tick(2);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, success);
        QCOMPARE(bench.prompts.boxes[0].detail, QString());
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "GetLog 0", "GetLog 2"}));
        const QStringList names = RowNames(window);
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 (QStringList{names[0] + ".kml", names[2] + ".kml"}));
        QFile kml(QDir(out).filePath(names[2] + ".kml"));
        QVERIFY(kml.open(QIODevice::ReadOnly));
        QVERIFY(kml.readAll().startsWith("\xFF\xFE<"));  // UTF-16LE with its byte-order mark
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
        QCOMPARE(window.List()->CheckedRows(), (std::vector<int>{0, 2}));  // marks stay
    }

    // A log that cannot be converted is kept as the device sent it, and two logs of one name
    // never overwrite each other.
    void getKeepsEveryLog() {
        QTemporaryDir logs;
        auto write = [&](const QString& name, const std::vector<uint8_t>& bytes) {
            QDir().mkpath(QFileInfo(logs.filePath(name)).path());
            QFile file(logs.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size()));
        };
        write("a/TRIP.LOG", kvd::MakeSyntheticTrip(1, 20, 1));
        write("b/TRIP.LOG", kvd::MakeSyntheticTrip(2, 20, 1));
        write("JUNK.LOG", {1, 2, 3});
        Bench bench({"--log", "0=" + logs.filePath("a/TRIP.LOG").toStdString(), "--log",
                     "1=" + logs.filePath("b/TRIP.LOG").toStdString(), "--log",
                     "2=" + logs.filePath("JUNK.LOG").toStdString()});
        CKVD2730Dlg& window = bench.window();
        const QString out = bench.folder("out");
        window.PathEdit()->setText(out);
        bench.Tick(0);
        bench.Tick(1);
        bench.Tick(2);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Getting data error"));
        QVERIFY2(bench.prompts.boxes[0].detail.contains("JUNK.LOG"),
                 qPrintable(bench.prompts.boxes[0].detail));
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 (QStringList{"JUNK.LOG", "TRIP (2).LOG.kml", "TRIP.LOG.kml"}));
    }

    void firstDownloadFailing() {
        Bench bench({"--trips", "3", "--fixes", "40", "--fault", "status:2@GetLog 0"});
        CKVD2730Dlg& window = bench.window();
        window.PathEdit()->setText(bench.folder("out"));
        bench.Tick(0);
        bench.Tick(1);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "GetLog 0"}));
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Getting data error"));
        QVERIFY(!bench.prompts.boxes[0].detail.isEmpty());
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
        QVERIFY(window.isVisible());
    }

    void getChecksItsFolderFirst_data() {
        QTest::addColumn<QString>("folder");  // relative to the scratch folder; "" stays empty
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("failure");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("empty field") << "" << "Please select a folder" << false << QStringList();
        QTest::newRow("missing folder") << "no/such/folder" << "Getting data error" << true << QStringList();
        QTest::newRow("a file, not a folder") << "journal.txt" << "Getting data error" << true << QStringList();
        // Taken whole: a folder cut to 259 characters would name another place.
        QTest::newRow("a folder beyond 259 bytes")
            << QString(120, 'x') + "/" + QString(150, 'y') << "Getting data normally ends" << false
            << QStringList{"SetMode 1", "GetLog 1"};
    }
    void getChecksItsFolderFirst() {
        QFETCH(QString, folder);
        QFETCH(QString, text);
        QFETCH(bool, failure);
        QFETCH(QStringList, sent);
        Bench bench({"--trips", "2", "--fixes", "5"});
        CKVD2730Dlg& window = bench.window();
        if (folder.contains('x')) bench.folder(folder);
        window.PathEdit()->setText(folder.isEmpty() ? QString() : QDir(bench.current()).filePath("../" + folder));
        bench.Tick(1);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, text);
        QCOMPARE(!bench.prompts.boxes[0].detail.isEmpty(), failure);
        QCOMPARE(bench.JournalSinceOpen(), sent);
        if (!sent.isEmpty()) QCOMPARE(QDir(window.PathEdit()->text()).entryList(QDir::Files).size(), 1);
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
    }

    void enterDoesNothingAndEscapeCloses() {
        Bench bench({"--trips", "1"});
        CKVD2730Dlg& window = bench.window();
        window.PathEdit()->setFocus();
        QTest::keyClick(window.PathEdit(), Qt::Key_Return);
        QVERIFY(window.isVisible());
        QVERIFY(bench.prompts.boxes.isEmpty());
        QTest::keyClick(window.PathEdit(), Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }

    void deleteOfRows2And5() {
        Bench bench({"--trips", "8", "--fixes", "5"});
        CKVD2730Dlg& window = bench.window();
        bench.Tick(2);
        bench.Tick(5);
        QTest::mouseClick(window.DeleteButton(), Qt::LeftButton);
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "DeleteLog 2", "DeleteLog 5",
                                                        "SetMode 1", "GetLogList"}));
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Deleting data normally end"));
        QCOMPARE(InvalidRows(window), QStringLiteral("0010010011"));
        QVERIFY(!window.GetButton()->isEnabled() && !window.DeleteButton()->isEnabled());
        QCOMPARE(window.List()->CheckedRows(), std::vector<int>{});
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
    }

    // The second line fails after the first removed a log: the list is fetched again all the
    // same, so that it never shows a log that is gone.
    void deleteThatFailsHalfWayStillRefreshes() {
        Bench bench({"--trips", "8", "--fixes", "5"});
        CKVD2730Dlg& window = bench.window();
        bench.Tick(2);
        bench.Tick(5);
        // Another program empties slot 5 behind the window's back.
        kvd::DeviceCall call;
        QCOMPARE(kvd::RunDeviceCommand(kvd::DevicePortName(), "DeleteLog 5\n", call).status, kvd::CallStatus::Done);
        QTest::mouseClick(window.DeleteButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Deleting data error"));
        QVERIFY(!bench.prompts.boxes[0].detail.isEmpty());
        QCOMPARE(bench.Journal().mid(3), (QStringList{"SetMode 1", "DeleteLog 2", "DeleteLog 5",
                                                      "SetMode 1", "GetLogList"}));
        QCOMPARE(InvalidRows(window), QStringLiteral("0010010011"));
    }

    void updateWithABareFileName() {
        Bench bench({"--trips", "1"}, kvd::ModeUpdate, false);
        QFile points(QDir(bench.current()).filePath("points.fpt"));
        QVERIFY(points.open(QIODevice::WriteOnly));
        points.write(QByteArray(3000, 'p'));
        points.close();
        bench.Open();
        CKVD2730Dlg& window = bench.window();
        QCOMPARE(window.size(), CKVD2730Dlg::kUpdateSize);
        QCOMPARE(window.PathEdit()->text(), QDir::toNativeSeparators(points.fileName()));
        QCOMPARE(window.MemPathEdit()->text(), QString());
        QVERIFY(!window.List()->isVisible());
        QCOMPARE(bench.Journal(), (QStringList{"SetMode 1", "GetRecordList"}));
        window.PathEdit()->setText("points.fpt");
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Updating data normally ends"));
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "UpdateGpsDataX"}));
        const QStringList stored = QDir(bench.store()).entryList(QDir::Files);
        QCOMPARE(stored.size(), 1);
        QFile kept(QDir(bench.store()).filePath(stored[0]));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray(3000, 'p'));
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
    }

    void voiceUpdateWithoutAFile_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("warning");
        QTest::newRow("English") << 0x0409 << "Please select a file";
        QTest::newRow("Japanese") << 0x0411 << Utf8("ファイルを選択して下さい。");
    }
    void voiceUpdateWithoutAFile() {
        QFETCH(int, langId);
        QFETCH(QString, warning);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "1"}, kvd::ModeUpdate);
        QTest::mouseClick(bench.window().UpdateVoiceButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, warning);
        QCOMPARE(bench.JournalSinceOpen(), QStringList());
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
    }

    void choosersSetThePathsAndKeepTheFolder() {
        {
            Bench bench({"--trips", "1"});
            const QString picked = bench.folder("picked ログ");
            bench.prompts.choices << "" << picked;  // a cancel, then a folder
            QTest::mouseClick(bench.window().SelectButton(), Qt::LeftButton);
            QCOMPARE(bench.window().PathEdit()->text(), QDir::toNativeSeparators(bench.current()));
            QTest::mouseClick(bench.window().SelectButton(), Qt::LeftButton);
            QCOMPARE(bench.window().PathEdit()->text(), picked);
            QCOMPARE(bench.prompts.selectingWhileOpen, (QList<bool>{true, true}));
            QVERIFY(!bench.window().IsSelecting());
            // The same folder comes back in a window opened later.
            CKVD2730Dlg again(nullptr, kvd::ModeGpsLog, nullptr, &bench.prompts);
            again.show();
            QCOMPARE(again.PathEdit()->text(), picked);
        }
        Bench bench({"--trips", "1"}, kvd::ModeUpdate);
        bench.prompts.choices << "/data/voice.mem";
        QTest::mouseClick(bench.window().SelectMemButton(), Qt::LeftButton);
        QCOMPARE(bench.window().MemPathEdit()->text(), QStringLiteral("/data/voice.mem"));
        QVERIFY(!QFile::exists(QDir(bench.current()).filePath("KVD2730.ini")));  // never written here
    }

    // An exit asked for from the tray while a get runs: the result box, then the window closes.
    void exitRequestDuringAGet() {
        Bench bench({"--trips", "1", "--fixes", "3000", "--baud", "19200"});
        CKVD2730Dlg& window = bench.window();
        window.PathEdit()->setText(bench.folder("out"));
        bench.Tick(0);
        // What the start dialog does on the exit command: it asks to end, and cancels.
        WhileOperationRuns(&window, [&](kvd::CWaitDialog& dialog) {
            if (dialog.Bar()->value() < 1) return false;
            bench.check.exitRequested = true;
            window.CancelOperation();
            return true;
        });
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Getting data error"));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(bench.check.calls, (QStringList{"pause"}));  // not resumed: the program ends
    }
};

QTEST_MAIN(TransferWindowTest)
#include "transfer_window_test.moc"
