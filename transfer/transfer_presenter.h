// The transfer window's decisions, without a toolkit: the mode's captions and controls, the
// list fetched from the device and its selection rules, the checks and warnings of get,
// delete and the two uploads, their result boxes in the user's language, and the window's
// end when the program is ending.
//
//   TransferPresenter presenter(view, ModeGpsLog, &startPresenter);
//   presenter.OnOpened();          // once the window shows: fetches the list
//   presenter.OnGet();             // and the other clicks, from the view
//
// The opener pauses its connection check through `check` while an operation talks to the
// device, asks IsSelecting() before its own probes, and stops an operation with
// CancelOperation() when the device is lost or the program ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/cancel_request.h"
#include "gpslog/gpslog.h"
#include "shell/message_catalogue.h"
#include "shell/progress_run.h"
#include "transfer/connection_check.h"
#include "transfer/list_rows.h"
#include "transfer/log_saver.h"
#include "transfer/transfer_operations.h"
#include "transfer/transfer_view.h"

namespace kvd {

class TransferPresenter {
  public:
    TransferPresenter(TransferView& view, TransferWindowMode mode,
                      ConnectionCheck* check = nullptr);

    TransferWindowMode Mode() const { return mode_; }

    // The window is shown for the first time: its texts, its paths, then the list.
    void OnOpened();

    // The list's hooks: whether a row's box may be ticked, and a tick the user changed.
    bool MayTick(int row) const;
    void OnRowTicked(int row, bool ticked);
    void OnSelectAll(bool checked);

    void OnGet();  // in the update mode: upload the point data
    void OnUpdateVoice();
    void OnDelete();
    void OnSelect();
    void OnSelectMem();
    // The format choice; `index` into FormatChoices().
    void OnFormatChosen(int index);

    // What the format choice offers, in order, and the formats a get saves now.
    static const std::vector<OutputFormats>& FormatChoices();
    const OutputFormats& Formats() const { return formats_; }

    // For the opener.
    bool IsSelecting() const { return selecting_.load(); }
    void CancelOperation() { operationCancel_.Request(); }

    // The rows as the device listed them and the ticks, for the front ends' tests.
    const std::vector<RowEntry>& Rows() const { return rows_; }
    std::vector<int> TickedRows() const;

  private:
    // A catalogue text in the user's language, as the view takes it.
    static std::string Text(MessageEntry entry) { return std::string(MessageText(entry)); }

    void RefreshList();
    void ShowRows();
    void MarkNewRows();
    void EnableGetAndDelete(bool enable);

    void BeginOperation();
    // False when the window closed because the program is ending.
    bool EndOperation();
    // Runs `operation` on a worker under a progress dialog of `style`.
    void RunWithProgress(ProgressStyle style, const std::function<void()>& operation);
    TransferSettings OperationSettings(ProgressRun* run) const;

    void RunGet();
    void RunUpdate(TransferControl edit, std::string& path, const char* commandLine);
    void RunDelete();
    void ShowResult(bool succeeded, MessageEntry okEntry, MessageEntry errorEntry,
                    const std::string& detail);

    TransferView& view_;
    TransferWindowMode mode_;
    ConnectionCheck* check_;
    std::string path_;       // save folder (GPS logs) or point-data file (update)
    std::string memPath_;    // voice-synthesis data file
    OutputFormats formats_;  // what a get saves logs in
    std::vector<RowEntry> rows_;
    std::vector<bool> ticks_;
    std::vector<bool> new_;
    std::atomic<bool> selecting_{false};
    bool closed_ = false;            // the window was asked to close
    CancelRequest operationCancel_;  // of the operation running now
};

}  // namespace kvd
