#include "shell/start_presenter.h"

#include <algorithm>
#include <filesystem>

#include "common/path_text.h"
#include "devicelink/devicelink.h"
#include "shell/device_watch.h"
#include "transfer/default_paths.h"
#include "transfer/saved_logs.h"
#include "transfer/transfer_operations.h"
#include "transfer/transfer_presenter.h"

namespace kvd {

StartPresenter::StartPresenter(StartView& view, TransferWindowMode buttonMode,
                               DeviceSearch::Finder finder)
    : view_(view), buttonMode_(buttonMode), search_(std::move(finder)) {}

StartPresenter::~StartPresenter() { search_.Stop(); }

void StartPresenter::SetState(StartState state) {
    if (state_ == state) return;
    state_ = state;
    view_.OnStateChanged(state);
}

void StartPresenter::OnShown() {
    if (shown_) return;
    shown_ = true;
    StartSearch();
}

void StartPresenter::StartSearch() {
    if (state_ == StartState::Ended) return;
    identifying_ = false;
    view_.StopTimer(StartDialogTimer::Identify);
    StopChecking();
    view_.ClearStatus();
    view_.ShowDeviceReady(false);
    SetState(StartState::Searching);
    // The thread only reports; the dialog reacts on its own thread, and a report of an
    // earlier search (ended meanwhile) is dropped.
    search_.Start([this](uint64_t generation) {
        view_.PostToUi([this, generation] { OnDeviceFound(generation); });
    });
}

void StartPresenter::OnDeviceFound(uint64_t generation) {
    if (state_ != StartState::Searching || generation != search_.Generation()) return;
    SetState(StartState::Identifying);
    identifying_ = true;
    view_.StartTimer(StartDialogTimer::Identify, kIdentifyIntervalMs);
}

void StartPresenter::OnTimer(StartDialogTimer timer) {
    if (timer == StartDialogTimer::Identify && identifying_) OnIdentifyTick();
    if (timer == StartDialogTimer::Check && checking_) OnCheckTick();
}

void StartPresenter::OnIdentifyTick() {
    StopChecking();
    const bool identified = IdentifyDevice(DevicePortName());
    view_.ClearStatus();
    if (!identified) return;  // timer 1 tries again
    view_.ShowDeviceReady(true);
    identifying_ = false;
    view_.StopTimer(StartDialogTimer::Identify);
    StartChecking();
    SetState(StartState::Ready);
    AnnounceNewTrips();
}

void StartPresenter::AnnounceNewTrips() {
    if (!newTrips_ || announced_) return;
    announced_ = true;
    // What `get --new` would take into the save folder in the window's formats.
    std::error_code code;
    const std::filesystem::path current = std::filesystem::current_path(code);
    TransferSettings settings;
    settings.port = DevicePortName();
    settings.timeoutMs = kWatchTimeoutMs;
    std::vector<RowEntry> rows;
    if (!FetchLogList(settings, rows).Succeeded()) return;
    std::string damage;
    const SavedLogRecord record =
        SavedLogRecord::Load(PathFromUtf8(ReadSaveFolder(current)), damage);
    const OutputFormats formats = ReadSaveFormats(current);
    const auto count = std::count_if(rows.begin(), rows.end(), [&](const RowEntry& row) {
        return IsNewLog(record, row, formats);
    });
    if (count > 0) newTrips_(static_cast<int>(count));
}

void StartPresenter::OnCheckTick() {
    // A chooser of the transfer window is open: the user's choice comes first, and the
    // device is looked at again once it has closed.
    if (IsSelecting()) return;
    std::error_code code;
    if (CheckConnection(DevicePortName(), PathToUtf8(std::filesystem::current_path(code)))) return;
    StopChecking();
    announced_ = false;  // the next device found is announced again
    StartSearch();
    if (transfer_ != nullptr) {
        transfer_->CancelOperation();  // one still running stops at its next block
        view_.CloseTransferWindow();
    }
}

void StartPresenter::StartChecking() {
    checking_ = true;
    view_.StartTimer(StartDialogTimer::Check, kCheckIntervalMs);
}

void StartPresenter::StopChecking() {
    checking_ = false;
    view_.StopTimer(StartDialogTimer::Check);
}

void StartPresenter::PauseConnectionCheck() { StopChecking(); }

void StartPresenter::ResumeConnectionCheck() {
    if (state_ == StartState::Ready) StartChecking();
}

bool StartPresenter::IsSelecting() const {
    return transfer_ != nullptr && transfer_->IsSelecting();
}

void StartPresenter::OnModeButton() {
    if (transfer_ != nullptr || windowOpening_ || state_ != StartState::Ready) return;
    windowOpening_ = true;
    view_.OpenTransferWindow(buttonMode_);
    windowOpening_ = false;
}

void StartPresenter::OnTransferWindowOpened(TransferPresenter& window) { transfer_ = &window; }

void StartPresenter::OnTransferWindowClosed() {
    transfer_ = nullptr;
    if (endRequested_) {
        End();
        return;
    }
    // However it closed, the device is searched for and identified again before the button
    // works again; after a lost connection that has started already.
    if (state_ == StartState::Ready) StartSearch();
}

void StartPresenter::RequestEnd() {
    if (transfer_ != nullptr) transfer_->CancelOperation();
    OnEndCommand();
}

void StartPresenter::OnEndCommand() {
    if (transfer_ != nullptr) {
        endRequested_ = true;  // ends when the transfer window has closed
        return;
    }
    End();
}

void StartPresenter::End() {
    if (state_ == StartState::Ended) return;
    // Nothing may run after the dialog: the timers stop and the search thread is joined.
    identifying_ = false;
    view_.StopTimer(StartDialogTimer::Identify);
    StopChecking();
    search_.Stop();
    SetState(StartState::Ended);
    view_.EndDialog();
}

}  // namespace kvd
