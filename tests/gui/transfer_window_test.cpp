// The transfer window against the virtual device on a pseudo-terminal: the list, the four
// operations with their warnings and result boxes, and the pause of the opener's check.
#include "transfer/transfer_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "gui_test_support.h"
#include "shell/desktop_texts.h"
#include "shell/shell.h"
#include "shell/wait_dialog.h"
#include "support/sim_process.h"
#include "transfer/transfer.h"

using kvd::CKVD2730Dlg;
using kvd::test::LanguageScope;

namespace {

struct Box {
    QString text;
    QString detail;
};

struct Question {
    QString text;
    QString yes;
    QString no;
};

// Records the boxes and questions instead of showing them, and answers the questions and
// the choosers from queues.
class RecordingPrompts final : public kvd::TransferPrompts {
  public:
    QList<Box> boxes;
    QList<Question> questions;
    QList<bool> answers;       // the next answers to questions; none left: the safe "no"
    QStringList choices;       // the next answers of choosers; an empty string is a cancel
    QStringList startFolders;  // where each chooser opened
    QList<bool> selectingWhileOpen;

    void ShowMessage(QWidget*, const QString& text, const QString& detail) override {
        boxes << Box{text, detail};
    }
    bool Ask(QWidget*, const QString& text, const QString& yes, const QString& no) override {
        questions << Question{text, yes, no};
        return !answers.isEmpty() && answers.takeFirst();
    }
    std::optional<QString> ChooseFolder(QWidget* owner, const QString&,
                                        const QString& startFolder) override {
        return Answer(owner, startFolder);
    }
    std::optional<QString> ChooseFile(QWidget* owner, const QString&,
                                      const QString& startFolder) override {
        return Answer(owner, startFolder);
    }

  private:
    std::optional<QString> Answer(QWidget* owner, const QString& startFolder) {
        selectingWhileOpen << static_cast<CKVD2730Dlg*>(owner)->Presenter().IsSelecting();
        startFolders << startFolder;
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

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QString FilesWrittenText() {
    const std::string_view text = kvd::Say(kvd::kTextFilesWritten);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
        // Settings of this bench's own: a folder one test picks is not the next one's.
        previousConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", scratch_.filePath("config").toUtf8());
        simArgs.insert(simArgs.end(),
                       {"--journal", journal_.toStdString(), "--store", store_.toStdString()});
        sim_ = std::make_unique<kvd::test::SimProcess>(simArgs);
        kvd::SetDevicePort(0, sim_->Port());
        QDir::setCurrent(current());
        window_ = std::make_unique<CKVD2730Dlg>(nullptr, mode, &check, &kvd::CWaitDialog::RunModal,
                                                &prompts);
        if (open) Open();
    }
    ~Bench() {
        window_.reset();
        QDir::setCurrent(previousFolder_);
        qputenv("XDG_CONFIG_HOME", previousConfig_);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Shows the window and waits for its list; what the fetch did to the opener's check is
    // kept apart in openCalls.
    void Open() {
        QSignalSpy opened(window_.get(), &CKVD2730Dlg::Opened);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 15000);
        openCalls = check.calls;
        check.calls.clear();
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
    QStringList openCalls;

  private:
    QTemporaryDir scratch_;
    QString journal_;
    QString store_;
    QString previousFolder_;
    QByteArray previousConfig_;
    std::unique_ptr<kvd::test::SimProcess> sim_;
    std::unique_ptr<CKVD2730Dlg> window_;
};

QStringList RowNames(const CKVD2730Dlg& window) {
    QStringList names;
    for (int row = 0; row < window.List()->RowCount(); ++row)
        names << window.List()->CellText(row, 1);
    return names;
}

// "1" for each row marked as not yet in the save folder.
QString NewRows(const CKVD2730Dlg& window) {
    QString marks;
    for (int row = 0; row < window.List()->RowCount(); ++row)
        marks += window.List()->CellText(row, 3).isEmpty() ? '0' : '1';
    return marks;
}

// An operation's pauses of the opener's check: it starts paused and ends resumed.
bool PausedThroughout(const QStringList& calls) {
    return !calls.isEmpty() && calls.first() == "pause" && calls.last() == "resume" &&
           calls.count("pause") == calls.count("resume");
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

  public:
    static void initMain() { kvd::test::UsePrivateUserFolders(); }

  private slots:
    void rowsOfAListReplyWithEmptySlots_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QString>("newMark");
        QTest::newRow("English") << 0x0409
                                 << QStringList{"Get GPS log data", "folder path",
                                                "list of GPS log data",
                                                "Select all※can not select invalid files"}
                                 << QStringList{"Select", "file name", "size", "new"} << "new";
        QTest::newRow("Japanese") << 0x0411
                                  << QStringList{Utf8("GPSログデータの取得"), Utf8("保存フォルダ"),
                                                 Utf8("GPSログデータリスト"),
                                                 Utf8("全て選択※無効なファイルは選択できません。")}
                                  << QStringList{Utf8("選択"), Utf8("ファイル名"), Utf8("サイズ"),
                                                 Utf8("新規")}
                                  << Utf8("新規");
    }
    void rowsOfAListReplyWithEmptySlots() {
        QFETCH(int, langId);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, headings);
        QFETCH(QString, newMark);
        LanguageScope language(static_cast<uint16_t>(langId));
        QTemporaryDir logs;
        QFile empty(logs.filePath("EMPTY.LOG"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        Bench bench(
            {"--trips", "2", "--fixes", "5", "--log", "4=" + empty.fileName().toStdString()});
        CKVD2730Dlg& window = bench.window();
        QCOMPARE(window.List()->RowCount(), 10);
        const QStringList names = RowNames(window);
        QVERIFY(!names[0].isEmpty() && !names[1].isEmpty());
        QCOMPARE(names.mid(2), (QStringList{"", "", "EMPTY.LOG", "", "", "", "", ""}));
        QCOMPARE(window.List()->CellText(1, 2),
                 QStringLiteral("96"));  // a header and 5 fixes, 16 bytes each
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
        QCOMPARE(bench.openCalls, (QStringList{"pause", "resume"}));  // the fetch is an operation
        QStringList shownHeadings;
        for (int column = 0; column < window.List()->columnCount(); ++column)
            shownHeadings << window.List()->headerItem()->text(column);
        QCOMPARE(shownHeadings, headings);
        // The four columns fit the list: no horizontal scroll bar, no column cut off.
        QVERIFY(!window.List()->horizontalScrollBar()->isVisible());
        int columnsWidth = 0;
        for (int column = 0; column < window.List()->columnCount(); ++column)
            columnsWidth += window.List()->columnWidth(column);
        QVERIFY2(columnsWidth <= window.List()->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2")
                                .arg(columnsWidth)
                                .arg(window.List()->viewport()->width())));
        // Nothing is saved in the folder yet: every valid row is new, even the empty log.
        QCOMPARE(NewRows(window), QStringLiteral("1100100000"));
        QCOMPARE(window.List()->CellText(0, 3), newMark);
        QVERIFY(bench.prompts.boxes.isEmpty());

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
        KeepRendering(
            image, QStringLiteral("transfer-%1-%2").arg(mode).arg(langId, 4, 16, QLatin1Char('0')));
        QCOMPARE(image.pixelColor(4, image.height() - 4), QColor(Qt::white));
        QCOMPARE(image.pixelColor(2, 2), QImage(":/banner.png").pixelColor(2, 2));
    }

    // Ten empty rows would look like an empty device: the list stays empty and a box says why.
    void withoutADeviceTheListIsEmptyAndABoxSaysWhy_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QString>("text");
        QTest::newRow("English") << 0x0409 << "The device's list could not be read";
        QTest::newRow("Japanese") << 0x0411 << Utf8("装置のログ一覧を読み取れませんでした");
    }
    void withoutADeviceTheListIsEmptyAndABoxSaysWhy() {
        QFETCH(int, langId);
        QFETCH(QString, text);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "1"}, kvd::ModeGpsLog, false);
        kvd::SetDevicePort(0, bench.current().toStdString() + "/no-such-port");
        bench.Open();
        QVERIFY(bench.window().isVisible());
        QCOMPARE(bench.window().List()->RowCount(), 0);
        QVERIFY(!bench.window().GetButton()->isEnabled());
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, text);
        QVERIFY2(bench.prompts.boxes[0].detail.contains("no-such-port"),
                 qPrintable(bench.prompts.boxes[0].detail));
        QCOMPARE(bench.openCalls, (QStringList{"pause", "resume"}));
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
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "GetLog 0", "GetLog 2"}));
        const QStringList names = RowNames(window);
        // The details list the files written, which the box offers to show in their folder.
        QCOMPARE(bench.prompts.boxes[0].detail,
                 FilesWrittenText() + "\n    " + names[0] + ".kml\n    " + names[2] + ".kml");
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 (QStringList{names[0] + ".kml", names[2] + ".kml"}));
        QFile kml(QDir(out).filePath(names[2] + ".kml"));
        QVERIFY(kml.open(QIODevice::ReadOnly));
        QVERIFY(kml.readAll().startsWith("\xFF\xFE<"));  // UTF-16LE with its byte-order mark
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
        QCOMPARE(window.List()->CheckedRows(), (std::vector<int>{0, 2}));  // marks stay
        // The folder's record now holds the two logs: only the third is still new.
        QVERIFY(QFile::exists(QDir(out).filePath(".kvd2730-saved")));
        QCOMPARE(NewRows(window), QStringLiteral("0100000000"));
    }

    // A log that cannot be converted is kept as the device sent it and the get goes on with
    // the next; two logs of one name never overwrite each other.
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
                     "1=" + logs.filePath("JUNK.LOG").toStdString(), "--log",
                     "2=" + logs.filePath("b/TRIP.LOG").toStdString()});
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
        QCOMPARE(bench.JournalSinceOpen(),
                 (QStringList{"SetMode 1", "GetLog 0", "GetLog 1", "GetLog 2"}));
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 (QStringList{"JUNK.LOG", "TRIP (2).LOG.kml", "TRIP.LOG.kml"}));
        // Kept as sent, not as KML: still new to the folder, and taken again by the next get.
        QCOMPARE(NewRows(window), QStringLiteral("0100000000"));
    }

    // The device refuses the first log: the get goes on with the next and says which failed.
    void firstDownloadFailing() {
        Bench bench({"--trips", "3", "--fixes", "40", "--fault", "status:2@GetLog 0"});
        CKVD2730Dlg& window = bench.window();
        const QString out = bench.folder("out");
        window.PathEdit()->setText(out);
        const QStringList names = RowNames(window);
        bench.Tick(0);
        bench.Tick(1);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "GetLog 0", "GetLog 1"}));
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Getting data error"));
        QVERIFY2(bench.prompts.boxes[0].detail.contains("slot 0"),
                 qPrintable(bench.prompts.boxes[0].detail));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{names[1] + ".kml"});
        QCOMPARE(NewRows(window), QStringLiteral("1010000000"));
        QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
        QVERIFY(window.isVisible());
    }

    void getChecksItsFolderFirst_data() {
        QTest::addColumn<QString>("folder");  // relative to the scratch folder; "" stays empty
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("failure");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("empty field") << ""
                                     << "Please select a folder" << false << QStringList();
        // Made once the device has answered: the get would otherwise fail at saving.
        QTest::newRow("missing folder")
            << "no/such/folder"
            << "Getting data normally ends" << false << QStringList{"SetMode 1", "GetLog 1"};
        QTest::newRow("a file, not a folder") << "journal.txt"
                                              << "Getting data error" << true << QStringList();
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
        const QString parent = QDir(bench.current()).filePath("..");
        if (folder.startsWith("no/")) QVERIFY(!QFileInfo::exists(QDir(parent).filePath(folder)));
        window.PathEdit()->setText(
            folder.isEmpty() ? QString() : QDir(bench.current()).filePath("../" + folder));
        bench.Tick(1);
        QTest::mouseClick(window.GetButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, text);
        // A failure gives its cause; a get that saved something lists its files instead.
        const QString& detail = bench.prompts.boxes[0].detail;
        if (failure)
            QVERIFY(!detail.isEmpty() && !detail.startsWith(FilesWrittenText()));
        else
            QCOMPARE(detail.startsWith(FilesWrittenText()), !sent.isEmpty());
        QCOMPARE(bench.JournalSinceOpen(), sent);
        if (!sent.isEmpty())
            QCOMPARE(QDir(window.PathEdit()->text()).entryList(QDir::Files).size(), 1);
        if (!sent.isEmpty()) QCOMPARE(NewRows(window), QStringLiteral("1000000000"));
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
        bench.prompts.answers << true;  // the two logs were never saved: Delete all the same
        QTest::mouseClick(window.DeleteButton(), Qt::LeftButton);
        QCOMPARE(bench.prompts.questions.size(), 1);
        QCOMPARE(bench.JournalSinceOpen(), (QStringList{"SetMode 1", "DeleteLog 2", "DeleteLog 5",
                                                        "SetMode 1", "GetLogList"}));
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, QStringLiteral("Deleting data normally end"));
        QCOMPARE(InvalidRows(window), QStringLiteral("0010010011"));
        QVERIFY(!window.GetButton()->isEnabled() && !window.DeleteButton()->isEnabled());
        QCOMPARE(window.List()->CheckedRows(), std::vector<int>{});
        QVERIFY2(PausedThroughout(bench.check.calls), qPrintable(bench.check.calls.join(' ')));
    }

    // A log the save folder does not hold is gone for good once deleted: the window asks
    // first, naming those logs only.
    void deleteAsksBeforeLosingUnsavedLogs_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<QList<int>>("saved");  // rows got into the save folder first
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QList<int>>("named");  // rows the question names
        QTest::addColumn<bool>("deleted");
        QTest::newRow("none saved, answered Delete")
            << 0x0409 << QList<int>{} << true << QList<int>{2, 5} << true;
        QTest::newRow("none saved, answered Cancel")
            << 0x0409 << QList<int>{} << false << QList<int>{2, 5} << false;
        QTest::newRow("one saved, answered Delete, Japanese")
            << 0x0411 << QList<int>{2} << true << QList<int>{5} << true;
        QTest::newRow("both saved: no question")
            << 0x0409 << QList<int>{2, 5} << false << QList<int>{} << true;
    }
    void deleteAsksBeforeLosingUnsavedLogs() {
        QFETCH(int, langId);
        QFETCH(QList<int>, saved);
        QFETCH(bool, answer);
        QFETCH(QList<int>, named);
        QFETCH(bool, deleted);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "8", "--fixes", "5"});
        CKVD2730Dlg& window = bench.window();
        const QString out = bench.folder("out");
        window.PathEdit()->setText(out);
        const QStringList names = RowNames(window);
        if (!saved.isEmpty()) {
            for (int row : saved) bench.Tick(row);
            QTest::mouseClick(window.GetButton(), Qt::LeftButton);
            QCOMPARE(bench.prompts.boxes.size(), 1);
            QCOMPARE(QDir(out).entryList(QDir::Files).size(), saved.size());
            for (int row : saved) bench.Tick(row);  // ticked off again
            bench.prompts.boxes.clear();
            bench.check.calls.clear();
        }
        bench.Tick(2);
        bench.Tick(5);
        bench.prompts.answers << answer;
        const int before = static_cast<int>(bench.Journal().size());
        QTest::mouseClick(window.DeleteButton(), Qt::LeftButton);

        QCOMPARE(bench.prompts.questions.size(), named.isEmpty() ? 0 : 1);
        if (!named.isEmpty()) {
            const Question& question = bench.prompts.questions[0];
            for (int row : {2, 5})
                QCOMPARE(question.text.contains(names[row]), named.contains(row));
            QVERIFY2(question.text.contains(QDir::toNativeSeparators(out)),
                     qPrintable(question.text));
            QCOMPARE(question.yes, langId == 0x0411 ? Utf8("削除") : QStringLiteral("Delete"));
            QCOMPARE(question.no, langId == 0x0411 ? Utf8("キャンセル") : QStringLiteral("Cancel"));
        }
        const QStringList sent = bench.Journal().mid(before);
        if (deleted) {
            QCOMPARE(sent, (QStringList{"SetMode 1", "DeleteLog 2", "DeleteLog 5", "SetMode 1",
                                        "GetLogList"}));
            QCOMPARE(bench.prompts.boxes.size(), 1);
            QCOMPARE(InvalidRows(window), QStringLiteral("0010010011"));
            QVERIFY2(PausedThroughout(bench.check.calls), qPrintable(bench.check.calls.join(' ')));
        } else {
            QCOMPARE(sent, QStringList());  // nothing reached the device
            QVERIFY(bench.prompts.boxes.isEmpty());
            QCOMPARE(InvalidRows(window), QStringLiteral("0000000011"));
            QCOMPARE(window.List()->CheckedRows(), (std::vector<int>{2, 5}));
            QCOMPARE(bench.check.calls, (QStringList{"pause", "resume"}));
        }
    }

    // An exit asked for while the list is fetched again after a delete: the window closes,
    // once.
    void exitRequestDuringTheListAfterADeleteClosesOnce() {
        Bench bench({"--trips", "8", "--fixes", "5", "--baud", "4800"});
        CKVD2730Dlg& window = bench.window();
        QSignalSpy finished(&window, &QDialog::finished);
        bench.Tick(2);
        bench.prompts.answers << true;
        bool seenList = false;
        WhileOperationRuns(&window, [&](kvd::CWaitDialog& dialog) {
            // The delete's bar has no Cancel; the list's has.
            if (!dialog.CancelButton()->isVisibleTo(&dialog)) return false;
            seenList = true;
            bench.check.exitRequested = true;
            return true;
        });
        QTest::mouseClick(window.DeleteButton(), Qt::LeftButton);
        QVERIFY(seenList);
        QVERIFY(!window.isVisible());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(bench.check.calls.count("resume"), 0);  // not resumed: the program ends
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
        QCOMPARE(kvd::RunDeviceCommand(kvd::DevicePortName(), "DeleteLog 5\n", call).status,
                 kvd::CallStatus::Done);
        bench.prompts.answers << true;
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

    // The format a get saves in is the user's choice, kept for the next window.
    void theFormatChoiceIsKeptForTheNextWindow() {
        Bench bench({"--trips", "1", "--fixes", "20"});
        QComboBox* combo = bench.window().FormatChoice();
        QVERIFY(combo->isVisible());
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->currentIndex(), 0);
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        CKVD2730Dlg next(nullptr, kvd::ModeGpsLog, &bench.check, &kvd::CWaitDialog::RunModal,
                         &bench.prompts);
        QSignalSpy opened(&next, &CKVD2730Dlg::Opened);
        next.show();
        QVERIFY(opened.wait(10000));
        QCOMPARE(next.FormatChoice()->currentIndex(), 1);
        QCOMPARE(next.FormatChoice()->currentText(), QStringLiteral("GPX"));
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
            QVERIFY(!bench.window().Presenter().IsSelecting());
            QVERIFY(bench.prompts.boxes.isEmpty());
            // The chooser opens at the save folder, or where the program runs when the typed
            // folder does not exist.
            QTest::mouseClick(bench.window().SelectButton(), Qt::LeftButton);
            bench.window().PathEdit()->setText(QDir(bench.current()).filePath("no such folder"));
            QTest::mouseClick(bench.window().SelectButton(), Qt::LeftButton);
            QCOMPARE(bench.prompts.startFolders,
                     (QStringList{bench.current(), bench.current(), picked, bench.current()}));
            // The same folder comes back in a window opened later.
            CKVD2730Dlg again(nullptr, kvd::ModeGpsLog, nullptr, &kvd::CWaitDialog::RunModal,
                              &bench.prompts);
            QSignalSpy opened(&again, &CKVD2730Dlg::Opened);
            again.show();
            QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 15000);
            QCOMPARE(again.PathEdit()->text(), picked);
        }
        Bench bench({"--trips", "1"}, kvd::ModeUpdate);
        bench.prompts.choices << "/data/voice.mem";
        QTest::mouseClick(bench.window().SelectMemButton(), Qt::LeftButton);
        QCOMPARE(bench.window().MemPathEdit()->text(), QStringLiteral("/data/voice.mem"));
        QVERIFY(
            !QFile::exists(QDir(bench.current()).filePath("KVD2730.ini")));  // never written here
    }

    // A folder that cannot be kept in the settings file is used all the same, and a box says
    // that it will not be kept.
    void aSaveFolderThatCannotBeKeptSaysSo_data() {
        QTest::addColumn<int>("langId");
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::addColumn<QString>("text");
        const QString english = "The save folder could not be kept in the settings file";
        QTest::newRow("read-only settings file") << 0x0409 << false << english;
        // Neither read nor written; the window opens all the same.
        QTest::newRow("a folder in the settings file's place") << 0x0409 << true << english;
        QTest::newRow("read-only settings file, Japanese")
            << 0x0411 << false << Utf8("保存先フォルダーを設定ファイルに保存できませんでした");
    }
    void aSaveFolderThatCannotBeKeptSaysSo() {
        QFETCH(int, langId);
        QFETCH(bool, folderInItsPlace);
        QFETCH(QString, text);
        LanguageScope language(static_cast<uint16_t>(langId));
        Bench bench({"--trips", "1"}, kvd::ModeGpsLog, false);
        const QString settings = QString::fromStdString(kvd::PathToUtf8(
            kvd::LocateSettingsFile(kvd::PathFromUtf8(bench.current().toStdString())).writeTo));
        QVERIFY(QDir().mkpath(QFileInfo(settings).path()));
        if (folderInItsPlace) {
            QVERIFY(QDir().mkdir(settings));
        } else {
            QFile file(settings);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[KVD2730]\r\nGPS=\r\n");
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        bench.Open();
        QCOMPARE(bench.window().PathEdit()->text(), QDir::toNativeSeparators(bench.current()));
        const QString picked = bench.folder("picked");
        bench.prompts.choices << picked;
        QTest::mouseClick(bench.window().SelectButton(), Qt::LeftButton);
        QCOMPARE(bench.window().PathEdit()->text(), picked);
        QCOMPARE(bench.prompts.boxes.size(), 1);
        QCOMPARE(bench.prompts.boxes[0].text, text);
        QVERIFY(!bench.prompts.boxes[0].detail.isEmpty());
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
            window.Presenter().CancelOperation();
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
