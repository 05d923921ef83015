// The transfer window's decisions without a toolkit: a fake view records what the window
// would show, and the virtual device on a real pseudo-terminal journals what reached it.
#include "transfer/transfer_presenter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <memory>

#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "shell/desktop_texts.h"
#include "support/progress_loop.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "transfer/default_paths.h"

namespace kvd {
namespace {

namespace fs = std::filesystem;

class FakeTransferView final : public TransferView {
  public:
    struct Box {
        std::string text;
        std::string detail;
    };

    std::map<TransferControl, std::string> texts;
    std::map<TransferControl, bool> visible;
    std::map<TransferControl, bool> enabled;
    std::vector<ListRow> rows;
    std::vector<bool> ticks;
    std::vector<bool> newMarks;
    std::vector<Box> boxes;
    std::vector<std::string> questions;
    bool answer = true;
    std::optional<std::string> chosen;
    std::string chooserStart;
    std::vector<ProgressStyle> progressStyles;
    test::ProgressLoop progress;
    int closes = 0;
    std::map<TransferControl, std::vector<std::string>> choices;
    int chosenItem = -1;
    std::vector<std::string> offers;
    bool takeOffer = false;
    std::vector<std::string> opened;

    void SetText(TransferControl control, const std::string& text) override {
        texts[control] = text;
    }
    std::string Text(TransferControl control) const override {
        const auto found = texts.find(control);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetVisible(TransferControl control, bool show) override { visible[control] = show; }
    void SetEnabled(TransferControl control, bool enable) override { enabled[control] = enable; }
    void SetChecked(TransferControl, bool) override {}
    void SetChoices(TransferControl control, const std::vector<std::string>& items,
                    int selected) override {
        choices[control] = items;
        chosenItem = selected;
    }
    void SetLayout(TransferWindowMode) override {}
    void SetListHeadings(const std::vector<std::string>&) override {}
    void SetRows(const std::vector<ListRow>& list) override {
        rows = list;
        ticks.assign(list.size(), false);
    }
    void SetNewMarks(const std::vector<bool>& marks, const std::string&) override {
        newMarks = marks;
    }
    void SetTicks(const std::vector<bool>& list) override { ticks = list; }
    void ShowMessage(const std::string& text, const std::string& detail) override {
        boxes.push_back({text, detail});
    }
    bool ShowMessageOffering(const std::string& text, const std::string& detail,
                             const std::string& offer) override {
        boxes.push_back({text, detail});
        offers.push_back(offer);
        return takeOffer;
    }
    void OpenFolder(const std::string& folder) override { opened.push_back(folder); }
    bool Ask(const std::string& text, const std::string&, const std::string&) override {
        questions.push_back(text);
        return answer;
    }
    std::optional<std::string> ChooseFolder(const std::string&, const std::string& start) override {
        chooserStart = start;
        return chosen;
    }
    std::optional<std::string> ChooseFile(const std::string&, const std::string& start) override {
        chooserStart = start;
        return chosen;
    }
    void RunProgress(ProgressRun& run, std::function<void()> operation) override {
        progressStyles.push_back(run.Style());
        progress.Run(run, std::move(operation));
    }
    void CloseWindow() override { ++closes; }
};

class FakeCheck final : public ConnectionCheck {
  public:
    std::vector<std::string> calls;
    bool exitRequested = false;
    void PauseConnectionCheck() override { calls.push_back("pause"); }
    void ResumeConnectionCheck() override { calls.push_back("resume"); }
    bool ExitRequested() const override { return exitRequested; }
};

class LanguageScope {
  public:
    explicit LanguageScope(uint16_t langId) : previous_(g_userLangId) { g_userLangId = langId; }
    ~LanguageScope() { g_userLangId = previous_; }

  private:
    uint16_t previous_;
};

std::string Text(MessageEntry entry) { return std::string(MessageText(entry)); }

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A virtual device with a journal, a scratch current folder and settings, and the presenter
// over a fake view. No device at all when `simArgs` is empty and `device` is false.
class Bench {
  public:
    explicit Bench(std::vector<std::string> simArgs, bool device = true,
                   TransferWindowMode mode = ModeGpsLog)
        : previous_(fs::current_path()) {
        fs::create_directories(current());
        setenv("XDG_CONFIG_HOME", (scratch_.path() / "config").c_str(), 1);
        std::string port = (scratch_.path() / "no-such-port").string();
        if (device) {
            simArgs.insert(simArgs.end(),
                           {"--journal", journal().string(), "--store", store().string()});
            fs::create_directories(store());
            sim_ = std::make_unique<test::SimProcess>(simArgs);
            port = sim_->Port();
        }
        SetDevicePort(0, port);
        fs::current_path(current());
        presenter = std::make_unique<TransferPresenter>(view, mode, &check);
    }
    ~Bench() {
        presenter.reset();
        fs::current_path(previous_);
        unsetenv("XDG_CONFIG_HOME");
    }

    fs::path current() const { return scratch_.path() / "current"; }
    fs::path store() const { return scratch_.path() / "store"; }
    fs::path journal() const { return scratch_.path() / "journal.txt"; }
    fs::path folder(const std::string& name) const {
        fs::create_directories(scratch_.path() / name);
        return scratch_.path() / name;
    }
    std::vector<std::string> Journal() const {
        std::ifstream file(journal());
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            if (!line.empty()) lines.push_back(line);
        return lines;
    }
    std::vector<std::string> JournalSinceOpen() const {
        const std::vector<std::string> all = Journal();
        return {all.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(all.size())),
                all.end()};
    }
    void Open(const fs::path& saveFolder = {}) {
        presenter->OnOpened();
        if (!saveFolder.empty()) view.texts[TransferControl::PathEdit] = saveFolder.string();
    }
    void Tick(std::initializer_list<int> rows) {
        for (int row : rows) presenter->OnRowTicked(row, true);
    }

    FakeTransferView view;
    FakeCheck check;
    std::unique_ptr<TransferPresenter> presenter;

  private:
    test::TempDir scratch_;
    fs::path previous_;
    std::unique_ptr<test::SimProcess> sim_;
};

using Lines = std::vector<std::string>;

TEST(TransferPresenter, OpensWithTheDevicesListOnAWorkerAndMarksWhatIsNew) {
    Bench bench({"--trips", "3", "--fixes", "30"});
    bench.Open();
    EXPECT_EQ(bench.Journal(), (Lines{"SetMode 1", "GetLogList"}));
    ASSERT_EQ(bench.view.rows.size(), 10u);
    for (std::size_t row = 0; row < 10; ++row) {
        EXPECT_EQ(bench.view.rows[row].invalid, row >= 3) << row;
        EXPECT_EQ(bench.view.newMarks[row], row < 3) << row;  // an empty folder holds none
    }
    EXPECT_FALSE(bench.view.enabled[TransferControl::GetButton]);
    EXPECT_FALSE(bench.view.enabled[TransferControl::DeleteButton]);
    // Fetched under an endless bar that the user may cancel, with the opener's check paused.
    ASSERT_EQ(bench.view.progressStyles.size(), 1u);
    EXPECT_FALSE(bench.view.progressStyles[0].percent);
    EXPECT_TRUE(bench.view.progressStyles[0].cancellable);
    EXPECT_EQ(bench.check.calls, (Lines{"pause", "resume"}));
    EXPECT_TRUE(bench.view.boxes.empty());
}

TEST(TransferPresenter, AListThatCannotBeReadIsSaidInTheUsersLanguage) {
    for (uint16_t lang : {kLangIdEnglishUs, kLangIdJapanese}) {
        LanguageScope language(lang);
        Bench bench({}, false);
        bench.Open();
        ASSERT_EQ(bench.view.boxes.size(), 1u);
        EXPECT_EQ(bench.view.boxes[0].text, std::string(Say(kTextListUnreadable, lang)));
        EXPECT_FALSE(bench.view.boxes[0].detail.empty());
        EXPECT_TRUE(bench.view.rows.empty());  // no rows that look like an empty device
    }
}

TEST(TransferPresenter, OnlyValidRowsTakeATickAndGetAndDeleteFollowTheTicks) {
    Bench bench({"--trips", "2", "--fixes", "20"});
    bench.Open();
    EXPECT_TRUE(bench.presenter->MayTick(1));
    EXPECT_FALSE(bench.presenter->MayTick(2));
    EXPECT_FALSE(bench.presenter->MayTick(10));

    bench.presenter->OnRowTicked(2, true);  // an invalid row's box gives the tick back
    EXPECT_TRUE(bench.presenter->TickedRows().empty());
    EXPECT_FALSE(bench.view.ticks[2]);

    bench.presenter->OnRowTicked(1, true);
    EXPECT_TRUE(bench.view.enabled[TransferControl::GetButton]);
    EXPECT_TRUE(bench.view.enabled[TransferControl::DeleteButton]);
    bench.presenter->OnRowTicked(1, false);
    EXPECT_FALSE(bench.view.enabled[TransferControl::GetButton]);

    bench.presenter->OnSelectAll(true);
    EXPECT_EQ(bench.presenter->TickedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(bench.view.ticks, (std::vector<bool>{true, true, false, false, false, false, false,
                                                   false, false, false}));
    EXPECT_TRUE(bench.view.enabled[TransferControl::DeleteButton]);
    bench.presenter->OnSelectAll(false);
    EXPECT_TRUE(bench.presenter->TickedRows().empty());
    EXPECT_FALSE(bench.view.enabled[TransferControl::GetButton]);
}

TEST(TransferPresenter, SelectAllWithOnlyInvalidRowsEnablesNothing) {
    Bench bench({"--trips", "0"});
    bench.Open();
    bench.presenter->OnSelectAll(true);
    EXPECT_TRUE(bench.presenter->TickedRows().empty());
    EXPECT_FALSE(bench.view.enabled[TransferControl::GetButton]);
    EXPECT_FALSE(bench.view.enabled[TransferControl::DeleteButton]);
}

TEST(TransferPresenter, GetChecksItsFolderBeforeAnythingIsSent) {
    struct Case {
        const char* name;
        bool folderIsFile;
        MessageEntry box;
    };
    const Case cases[] = {{"no folder given", false, MsgSelectFolder},
                          {"the folder is a file", true, MsgGetDataError}};
    for (uint16_t lang : {kLangIdEnglishUs, kLangIdJapanese}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            LanguageScope language(lang);
            Bench bench({"--trips", "2", "--fixes", "20"});
            bench.Open();
            std::string folder;
            if (c.folderIsFile) {
                folder = (bench.folder("out") / "file").string();
                WriteFile(folder, {1});
            }
            bench.view.texts[TransferControl::PathEdit] = folder;
            bench.Tick({0});
            bench.presenter->OnGet();
            ASSERT_EQ(bench.view.boxes.size(), 1u);
            EXPECT_EQ(bench.view.boxes[0].text, std::string(MessageText(c.box, lang)));
            if (c.folderIsFile) {
                EXPECT_NE(bench.view.boxes[0].detail.find("file"), std::string::npos);
            }
            EXPECT_TRUE(bench.JournalSinceOpen().empty());
        }
    }
}

TEST(TransferPresenter, GetGoesOnPastALogItCannotConvertAndRecordsWhatItSaved) {
    test::TempDir logs;
    WriteFile(logs.path() / "a" / "TRIP.LOG", MakeSyntheticTrip(1, 20, 1));
    WriteFile(logs.path() / "JUNK.LOG", {1, 2, 3});
    WriteFile(logs.path() / "b" / "TRIP.LOG", MakeSyntheticTrip(2, 20, 1));
    Bench bench({"--log", "0=" + (logs.path() / "a" / "TRIP.LOG").string(), "--log",
                 "1=" + (logs.path() / "JUNK.LOG").string(), "--log",
                 "2=" + (logs.path() / "b" / "TRIP.LOG").string()});
    const fs::path out = bench.folder("out");
    bench.Open(out);
    bench.Tick({0, 1, 2});
    bench.presenter->OnGet();

    EXPECT_EQ(bench.JournalSinceOpen(), (Lines{"SetMode 1", "GetLog 0", "GetLog 1", "GetLog 2"}));
    ASSERT_EQ(bench.view.boxes.size(), 1u);
    EXPECT_EQ(bench.view.boxes[0].text, Text(MsgGetDataError));
    EXPECT_NE(bench.view.boxes[0].detail.find("JUNK.LOG"), std::string::npos)
        << bench.view.boxes[0].detail;
    for (const char* name : {"TRIP.LOG.kml", "TRIP (2).LOG.kml", "JUNK.LOG"})
        EXPECT_TRUE(fs::is_regular_file(out / name)) << name;
    // The converted logs are noted in the folder's record and so no longer new; the one kept
    // as the device sent it still is.
    EXPECT_EQ(bench.view.newMarks, (std::vector<bool>{false, true, false, false, false, false,
                                                      false, false, false, false}));
    EXPECT_EQ(bench.check.calls, (Lines{"pause", "resume", "pause", "resume"}));
}

TEST(TransferPresenter, TheFormatChosenIsKeptAcrossRestartsAndUsedByTheGet) {
    // Logs of several blocks each, so that each reports its progress.
    Bench bench({"--trips", "2", "--fixes", "600"});
    const fs::path out = bench.folder("out");
    bench.Open(out);
    EXPECT_EQ(bench.view.choices[TransferControl::FormatChoice],
              (Lines{"KML", "GPX", "KML and GPX", "KMZ (zipped KML)"}));
    EXPECT_EQ(bench.view.chosenItem, 0);
    bench.presenter->OnFormatChosen(1);
    EXPECT_EQ(bench.presenter->Formats(), (OutputFormats{false, true, false}));

    // The window opened again, as after a restart, chooses what was kept.
    FakeTransferView again;
    TransferPresenter reopened(again, ModeGpsLog, &bench.check);
    reopened.OnOpened();
    EXPECT_EQ(again.chosenItem, 1);

    // A get saves GPX, lists what it wrote and offers the folder.
    bench.Tick({0, 1});
    bench.view.takeOffer = true;
    bench.presenter->OnGet();
    const Lines names = test::NamesIn(out);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& name) { return name.ends_with(".gpx"); }),
              2);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& name) { return name.ends_with(".kml"); }),
              0);
    ASSERT_EQ(bench.view.offers, (Lines{"Open folder"}));
    EXPECT_NE(bench.view.boxes.back().detail.find(".LOG.gpx"), std::string::npos)
        << bench.view.boxes.back().detail;
    EXPECT_EQ(bench.view.opened, (Lines{out.string()}));
    // The progress dialog said which log of how many it was on.
    EXPECT_TRUE(std::any_of(bench.view.progress.shown.begin(), bench.view.progress.shown.end(),
                            [](const std::string& line) { return line.ends_with("(2 / 2)"); }))
        << ::testing::PrintToString(bench.view.progress.shown);
    // What is new follows the formats: the logs are held as GPX, not as KML.
    EXPECT_EQ(bench.view.newMarks[0], false);
    bench.presenter->OnFormatChosen(0);
    EXPECT_EQ(bench.view.newMarks[0], true);
}

TEST(TransferPresenter, DeleteAsksFirstOnlyForLogsTheFolderDoesNotHold) {
    struct Case {
        const char* name;
        bool getFirst;  // the logs are saved before they are deleted
        bool answer;
        bool asked;
        Lines sent;
    };
    const Case cases[] = {
        {"never saved, the user cancels", false, false, true, {}},
        {"never saved, the user deletes",
         false,
         true,
         true,
         {"SetMode 1", "DeleteLog 0", "DeleteLog 1", "SetMode 1", "GetLogList"}},
        {"saved before",
         true,
         false,
         false,
         {"SetMode 1", "DeleteLog 0", "DeleteLog 1", "SetMode 1", "GetLogList"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench({"--trips", "3", "--fixes", "20"});
        bench.Open(bench.folder("out"));
        bench.Tick({0, 1});
        if (c.getFirst) {
            bench.presenter->OnGet();
            bench.view.boxes.clear();
        }
        const std::size_t before = bench.Journal().size();
        bench.view.answer = c.answer;
        bench.presenter->OnDelete();
        EXPECT_EQ(bench.view.questions.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            for (int row : {0, 1})
                EXPECT_NE(bench.view.questions[0].find(bench.presenter->Rows()[row].name),
                          std::string::npos)
                    << bench.view.questions[0];
            EXPECT_EQ(bench.view.questions[0].find(bench.presenter->Rows()[2].name),
                      std::string::npos);
        }
        const Lines journal = bench.Journal();
        EXPECT_EQ(Lines(journal.begin() + static_cast<std::ptrdiff_t>(before), journal.end()),
                  c.sent);
        if (!c.sent.empty()) {
            // The list read again shows the one log left, and nothing ticked.
            EXPECT_TRUE(bench.view.rows[0].invalid);
            EXPECT_TRUE(bench.view.rows[1].invalid);
            EXPECT_FALSE(bench.view.rows[2].invalid);
            EXPECT_TRUE(bench.presenter->TickedRows().empty());
        }
    }
}

TEST(TransferPresenter, AFailedDeleteRefreshesOnlyWhenItMayHaveRemovedALog) {
    struct Case {
        const char* fault;
        bool refreshed;
    };
    const Case cases[] = {{"status:2@DeleteLog 0", false}, {"status:2@DeleteLog 1", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Bench bench({"--trips", "3", "--fixes", "20", "--fault", c.fault});
        bench.Open(bench.folder("out"));
        bench.Tick({0, 1});
        bench.view.answer = true;
        bench.presenter->OnDelete();
        ASSERT_EQ(bench.view.boxes.size(), 1u);
        EXPECT_EQ(bench.view.boxes[0].text, Text(MsgDeleteError));
        EXPECT_FALSE(bench.view.boxes[0].detail.empty());
        const Lines journal = bench.Journal();
        EXPECT_EQ(journal.back() == "GetLogList", c.refreshed);
    }
}

TEST(TransferPresenter, NeitherTheUserNorTheEndOfTheProgramInterruptsADelete) {
    Bench bench({"--trips", "3", "--fixes", "20"});
    bench.Open(bench.folder("out"));
    bench.Tick({0, 1});
    bench.view.answer = true;
    bench.view.progress.whileOpen = [&](ProgressRun& run) {
        run.OnCancel();
        bench.presenter->CancelOperation();
        bench.view.progress.whileOpen = nullptr;  // the list is read afresh undisturbed
    };
    bench.presenter->OnDelete();
    const Lines sent = bench.JournalSinceOpen();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "DeleteLog 1"), sent.end());
    EXPECT_EQ(std::count(bench.view.progress.shown.begin(), bench.view.progress.shown.end(),
                         "message " + Text(MsgAborting)),
              0);
    EXPECT_EQ(bench.view.boxes.at(0).text, Text(MsgDeleteOk));
}

TEST(TransferPresenter, AnExitWhileTheListIsReadAgainAfterADeleteClosesTheWindowOnce) {
    Bench bench({"--trips", "3", "--fixes", "20"});
    bench.Open(bench.folder("out"));
    bench.Tick({0});
    bench.view.answer = true;
    int runs = 0;
    bench.view.progress.whileOpen = [&](ProgressRun&) {
        if (++runs == 2) bench.check.exitRequested = true;  // the list's run, inside the delete
    };
    bench.presenter->OnDelete();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(bench.view.closes, 1);
}

TEST(TransferPresenter, AnExitDuringAGetStopsItShowsTheResultAndCloses) {
    Bench bench({"--trips", "2", "--fixes", "4000", "--baud", "115200"});
    bench.Open(bench.folder("out"));
    bench.Tick({0, 1});
    bench.view.progress.whileOpen = [&](ProgressRun&) {
        bench.check.exitRequested = true;
        bench.presenter->CancelOperation();
    };
    bench.presenter->OnGet();
    ASSERT_EQ(bench.view.boxes.size(), 1u);
    EXPECT_EQ(bench.view.boxes[0].text, Text(MsgGetDataError));
    EXPECT_EQ(bench.view.closes, 1);
    EXPECT_EQ(bench.check.calls, (Lines{"pause", "resume", "pause"}));  // no resume: it ends
    EXPECT_TRUE(fs::is_empty(bench.folder("out")) ||
                !fs::exists(bench.folder("out") / "TRIP.LOG.kml"));
}

TEST(TransferPresenter, UpdatesNeedAFileAndSendIt) {
    Bench bench({}, true, ModeUpdate);
    bench.Open();
    EXPECT_EQ(bench.Journal(), (Lines{"SetMode 1", "GetRecordList"}));
    bench.presenter->OnUpdateVoice();
    ASSERT_EQ(bench.view.boxes.size(), 1u);
    EXPECT_EQ(bench.view.boxes[0].text, Text(MsgSelectFile));

    const fs::path voice = bench.folder("data") / "voice.mem";
    WriteFile(voice, std::vector<uint8_t>(3000, 0x5a));
    bench.view.texts[TransferControl::MemPathEdit] = voice.string();
    bench.presenter->OnUpdateVoice();
    ASSERT_EQ(bench.view.boxes.size(), 2u);
    EXPECT_EQ(bench.view.boxes[1].text, Text(MsgUpdateOk)) << bench.view.boxes[1].detail;
    EXPECT_EQ(bench.JournalSinceOpen(), (Lines{"SetMode 1", "UpdateVoiceData"}));
    EXPECT_EQ(bench.view.progress.shown.back(), "fill");
}

TEST(TransferPresenter, TheFolderChooserStartsAtTheSaveFolderAndKeepsTheChoice) {
    Bench bench({"--trips", "1", "--fixes", "20"});
    const fs::path out = bench.folder("out");
    bench.Open(out);
    const fs::path chosen = bench.folder("chosen");
    bench.view.chosen = chosen.string();
    bench.presenter->OnSelect();
    EXPECT_EQ(bench.view.chooserStart, out.string());
    EXPECT_EQ(bench.view.texts[TransferControl::PathEdit], chosen.string());
    EXPECT_EQ(ReadSaveFolder(bench.current()), chosen.string());
    EXPECT_TRUE(bench.view.boxes.empty());
}

TEST(TransferPresenter, ASaveFolderThatCannotBeKeptIsSaidAndStillUsed) {
    Bench bench({"--trips", "1", "--fixes", "20"});
    bench.Open(bench.folder("out"));
    // Something in the settings file's place that is not a file.
    fs::create_directories(LocateSettingsFile(bench.current()).writeTo);
    const fs::path chosen = bench.folder("chosen");
    bench.view.chosen = chosen.string();
    bench.presenter->OnSelect();
    EXPECT_EQ(bench.view.texts[TransferControl::PathEdit], chosen.string());
    ASSERT_EQ(bench.view.boxes.size(), 1u);
    EXPECT_EQ(bench.view.boxes[0].text, std::string(Say(kTextSettingsNotKept)));
    EXPECT_NE(bench.view.boxes[0].detail.find("KVD2730.ini"), std::string::npos)
        << bench.view.boxes[0].detail;
}

}  // namespace
}  // namespace kvd
