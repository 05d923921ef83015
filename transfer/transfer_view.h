// What a front end's transfer window does for its presenter: show and fill its controls, show
// boxes and choosers, run a progress dialog, close. Texts are UTF-8; the view converts them at
// its edge. The view holds no decision: it forwards every click to the presenter.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvd {

class ProgressRun;

enum TransferWindowMode : int32_t {
    ModeGpsLog = 1,  // the device's GPS logs: get, delete
    ModeUpdate = 2,  // upload GPS point data and voice-synthesis data
};

// The window's controls that the presenter changes.
enum class TransferControl {
    HeaderLabel,        // the window's heading
    PathLabel,          // above the first path
    PathEdit,           // the save folder (GPS logs) or the point-data file (update)
    SelectButton,       // the first path's chooser
    GetButton,          // get the ticked logs, or upload the point data
    VoiceLabel,         // the second update section's heading
    MemPathLabel,       // above the voice-data path
    MemPathEdit,        // the voice-synthesis data file
    SelectMemButton,    // the voice-data chooser
    UpdateVoiceButton,  // upload the voice data
    ListLabel,          // above the list
    SelectAllBox,       // ticks every valid row
    SelectAllLabel,
    DeleteButton,
    List,
    FormatChoice,  // the formats a get saves logs in
};

// One row of the list as shown.
struct ListRow {
    std::string name;     // empty for an invalid row
    std::string size;     // decimal, or empty
    bool invalid = true;  // its box is disabled
    bool isNew = false;   // the save folder does not hold this log yet
};

class TransferView {
  public:
    virtual ~TransferView() = default;

    virtual void SetText(TransferControl control, const std::string& text) = 0;
    // What the user typed or dropped into an edit.
    virtual std::string Text(TransferControl control) const = 0;
    virtual void SetVisible(TransferControl control, bool visible) = 0;
    virtual void SetEnabled(TransferControl control, bool enabled) = 0;
    // The select-all box.
    virtual void SetChecked(TransferControl control, bool checked) = 0;
    // The format choice: its items and the one chosen.
    virtual void SetChoices(TransferControl control, const std::vector<std::string>& items,
                            int chosen) = 0;
    // The window's size and what stays the same for the mode's life.
    virtual void SetLayout(TransferWindowMode mode) = 0;

    // Headings of the columns: tick, name, size, "new".
    virtual void SetListHeadings(const std::vector<std::string>& headings) = 0;
    // Rebuilds every row with its box unticked; no rows at all when `rows` is empty.
    virtual void SetRows(const std::vector<ListRow>& rows) = 0;
    // Only the "new" column of each row.
    virtual void SetNewMarks(const std::vector<bool>& marks, const std::string& mark) = 0;
    virtual void SetTicks(const std::vector<bool>& ticks) = 0;

    // A modal box captioned "Message" with one OK button; `detail`, when not empty, is the
    // cause, shown as the box's details.
    virtual void ShowMessage(const std::string& text, const std::string& detail) = 0;
    // ShowMessage with a second button, `offer`, beside OK; true when the user chose it.
    virtual bool ShowMessageOffering(const std::string& text, const std::string& detail,
                                     const std::string& offer) = 0;
    // Shows the folder in the desktop's file manager.
    virtual void OpenFolder(const std::string& folder) = 0;
    // A modal question with two buttons; true for `yes`.
    virtual bool Ask(const std::string& text, const std::string& yes, const std::string& no) = 0;
    // An existing folder, or none when the user cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startFolder) = 0;
    // A file to open, or none. `catalogueFilter` is "desc |*.EXT||"; the view turns it into
    // its toolkit's own form and matches it without regard to case.
    virtual std::optional<std::string> ChooseFile(const std::string& catalogueFilter,
                                                  const std::string& startFolder) = 0;

    // Shows the run's progress dialog modally over the window, starts `operation` on the
    // run's worker once the dialog is up, and returns when the dialog has closed.
    virtual void RunProgress(ProgressRun& run, std::function<void()> operation) = 0;

    // Ends the window as its Close button does.
    virtual void CloseWindow() = 0;
};

}  // namespace kvd
