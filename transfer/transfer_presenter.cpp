// The transfer window's set-up, its list and the list's selection rules.
#include "transfer/transfer_presenter.h"

#include <algorithm>
#include <filesystem>

#include "common/path_text.h"
#include "devicelink/devicelink.h"
#include "shell/desktop_texts.h"
#include "transfer/default_paths.h"
#include "transfer/outcome_text.h"
#include "transfer/saved_logs.h"

namespace kvd {
namespace {

// What each mode lists and the captions it writes at every refresh.
struct ModeRecord {
    std::optional<MessageEntry> listCaption;  // none: left unchanged
    MessageEntry headerCaption;
    std::optional<MessageEntry> updateCaption;  // none: left unchanged
    const char* listCommand;
    int rowCount;
};

constexpr ModeRecord kGpsLogModeRecord{MsgGpsLogDataList, MsgGetGpsLogData, std::nullopt,
                                       command_line::kLogList, kGpsLogRowCount};
constexpr ModeRecord kUpdateModeRecord{std::nullopt, MsgUpdateGpsPointData, MsgUpdateVoiceData,
                                       command_line::kRecordList, kUpdateRowCount};

// Marks the window as choosing for as long as a chooser is open.
class SelectingScope {
  public:
    explicit SelectingScope(std::atomic<bool>& selecting) : selecting_(selecting) {
        selecting_ = true;
    }
    ~SelectingScope() { selecting_ = false; }
    SelectingScope(const SelectingScope&) = delete;
    SelectingScope& operator=(const SelectingScope&) = delete;

  private:
    std::atomic<bool>& selecting_;
};

// The labels of TransferPresenter::FormatChoices(), in the same order.
constexpr MessagePair kFormatLabels[] = {kTextFormatKml, kTextFormatGpx, kTextFormatBoth,
                                         kTextFormatKmz};

std::string CurrentFolder() {
    std::error_code code;
    return PathToUtf8(std::filesystem::current_path(code));
}

}  // namespace

const std::vector<OutputFormats>& TransferPresenter::FormatChoices() {
    static const std::vector<OutputFormats> choices{
        {true, false, false}, {false, true, false}, {true, true, false}, {false, false, true}};
    return choices;
}

TransferPresenter::TransferPresenter(TransferView& view, TransferWindowMode mode,
                                     ConnectionCheck* check)
    : view_(view), mode_(mode), check_(check) {}

void TransferPresenter::OnOpened() {
    using enum TransferControl;
    view_.SetLayout(mode_);
    view_.SetListHeadings(
        {Text(MsgSelect), Text(MsgFileName), Text(MsgSize), std::string(Say(kTextNewMark))});
    for (TransferControl control : {List, UpdateVoiceButton, GetButton, DeleteButton})
        view_.SetVisible(control, false);
    view_.SetText(SelectAllLabel, Text(MsgSelectAllValid));
    view_.SetText(MemPathLabel, Text(MsgDataFilePath));

    const std::filesystem::path current = PathFromUtf8(CurrentFolder());
    if (mode_ == ModeGpsLog) {
        path_ = ReadSaveFolder(current);
        formats_ = ReadSaveFormats(current);
        const auto& choices = FormatChoices();
        const auto chosen = std::find(choices.begin(), choices.end(), formats_);
        if (chosen == choices.end()) formats_ = choices.front();
        std::vector<std::string> labels;
        for (const MessagePair& label : kFormatLabels) labels.emplace_back(Say(label));
        view_.SetChoices(FormatChoice, labels,
                         chosen == choices.end() ? 0 : static_cast<int>(chosen - choices.begin()));
        view_.SetText(PathLabel, Text(MsgFolderPath));
        view_.SetText(GetButton, Text(MsgGetSelected));
    } else {
        view_.SetText(PathLabel, Text(MsgDataFilePath));
        if (const auto file = FindLocalFile(current, ".FPT")) path_ = PathToUtf8(*file);
        if (const auto file = FindLocalFile(current, ".mem")) memPath_ = PathToUtf8(*file);
        view_.SetText(GetButton, Text(MsgUpdate));
    }
    view_.SetText(PathEdit, path_);
    view_.SetText(MemPathEdit, memPath_);
    RefreshList();
}

void TransferPresenter::RefreshList() {
    using enum TransferControl;
    const bool gpsLog = mode_ == ModeGpsLog;
    rows_.clear();
    ShowRows();
    view_.SetChecked(SelectAllBox, false);
    for (TransferControl control : {List, SelectAllBox, UpdateVoiceButton, GetButton, DeleteButton})
        view_.SetVisible(control, true);
    if (gpsLog) EnableGetAndDelete(false);
    for (TransferControl control :
         {ListLabel, SelectAllBox, SelectAllLabel, DeleteButton, List, FormatChoice})
        view_.SetVisible(control, gpsLog);
    for (TransferControl control :
         {VoiceLabel, MemPathEdit, SelectMemButton, UpdateVoiceButton, MemPathLabel})
        view_.SetVisible(control, !gpsLog);

    const ModeRecord& record = gpsLog ? kGpsLogModeRecord : kUpdateModeRecord;
    if (record.listCaption) view_.SetText(ListLabel, Text(*record.listCaption));
    view_.SetText(HeaderLabel, Text(record.headerCaption));
    view_.SetVisible(HeaderLabel, true);
    if (record.updateCaption) view_.SetText(VoiceLabel, Text(*record.updateCaption));

    // Asked on a worker, as any exchange with the device, so that no window stops answering
    // while a device that does not answer runs into its time-out.
    BeginOperation();
    std::vector<RowEntry> rows;
    OperationReport report;
    RunWithProgress(ProgressStyle::Endless(Text(MsgPleaseWait), true), [&] {
        report = FetchList(OperationSettings(nullptr), record.listCommand, record.rowCount, rows);
    });
    if (report.Succeeded()) {
        rows_ = std::move(rows);
        ShowRows();
    } else if (check_ == nullptr || !check_->ExitRequested()) {
        // Ten empty rows would look like an empty device. (A program that is ending closes
        // the window instead.)
        view_.ShowMessage(std::string(Say(kTextListUnreadable)),
                          DescribeFailure(report, DevicePortName(), g_userLangId));
    }
    EndOperation();
}

void TransferPresenter::ShowRows() {
    std::vector<ListRow> rows;
    for (const RowEntry& entry : rows_)
        rows.push_back({entry.name, entry.size < 0 ? std::string() : std::to_string(entry.size),
                        entry.invalid, false});
    ticks_.assign(rows_.size(), false);
    new_.assign(rows_.size(), false);
    view_.SetRows(rows);
    if (mode_ == ModeGpsLog) MarkNewRows();
}

void TransferPresenter::MarkNewRows() {
    // What `get --new` would take: the logs the folder's record does not hold.
    std::string damage;
    const SavedLogRecord record =
        SavedLogRecord::Load(PathFromUtf8(view_.Text(TransferControl::PathEdit)), damage);
    for (std::size_t row = 0; row < rows_.size(); ++row)
        new_[row] = !rows_[row].invalid && IsNewLog(record, rows_[row], formats_);
    view_.SetNewMarks(new_, std::string(Say(kTextNewMark)));
}

bool TransferPresenter::MayTick(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() &&
           !rows_[static_cast<std::size_t>(row)].invalid;
}

void TransferPresenter::OnRowTicked(int row, bool ticked) {
    if (!MayTick(row)) {
        view_.SetTicks(ticks_);  // a box that should not have taken the tick gives it back
        return;
    }
    ticks_[static_cast<std::size_t>(row)] = ticked;
    if (mode_ == ModeGpsLog) EnableGetAndDelete(!TickedRows().empty());
}

void TransferPresenter::OnSelectAll(bool checked) {
    bool anyValid = false;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].invalid) continue;
        ticks_[row] = checked;
        anyValid = true;
    }
    view_.SetTicks(ticks_);
    EnableGetAndDelete(checked && anyValid);
}

std::vector<int> TransferPresenter::TickedRows() const {
    std::vector<int> rows;
    for (std::size_t row = 0; row < ticks_.size(); ++row)
        if (ticks_[row]) rows.push_back(static_cast<int>(row));
    return rows;
}

void TransferPresenter::EnableGetAndDelete(bool enable) {
    view_.SetEnabled(TransferControl::GetButton, enable);
    view_.SetEnabled(TransferControl::DeleteButton, enable);
}

void TransferPresenter::OnSelect() {
    SelectingScope selecting(selecting_);
    const std::string current = CurrentFolder();
    if (mode_ == ModeGpsLog) {
        // The chooser opens where logs go now.
        const std::string typed = view_.Text(TransferControl::PathEdit);
        std::error_code code;
        const std::string start =
            !typed.empty() && std::filesystem::is_directory(PathFromUtf8(typed), code) ? typed
                                                                                       : current;
        const auto folder = view_.ChooseFolder(Text(MsgSelectStoreFolder), start);
        if (!folder) return;
        path_ = *folder;
        view_.SetText(TransferControl::PathEdit, path_);
        MarkNewRows();
        std::string error;
        // It is used now all the same; the user learns that it will not be kept.
        if (!WriteSaveFolder(PathFromUtf8(current), path_, error))
            view_.ShowMessage(std::string(Say(kTextSettingsNotKept)), error);
    } else if (const auto file = view_.ChooseFile(Text(MsgFilterFpt), current)) {
        path_ = *file;
        view_.SetText(TransferControl::PathEdit, path_);
    }
}

void TransferPresenter::OnFormatChosen(int index) {
    const auto& choices = FormatChoices();
    if (index < 0 || static_cast<std::size_t>(index) >= choices.size()) return;
    formats_ = choices[static_cast<std::size_t>(index)];
    MarkNewRows();  // what is new depends on the formats wanted
    std::string error;
    if (!WriteSaveFormats(PathFromUtf8(CurrentFolder()), formats_, error))
        view_.ShowMessage(std::string(Say(kTextFormatsNotKept)), error);
}

void TransferPresenter::OnSelectMem() {
    SelectingScope selecting(selecting_);
    if (const auto file = view_.ChooseFile(Text(MsgFilterMem), CurrentFolder())) {
        memPath_ = *file;
        view_.SetText(TransferControl::MemPathEdit, memPath_);
    }
}

}  // namespace kvd
