// The list of the device's logs: a report view with a check box at the start of each row.
// The owner decides which rows may be ticked; a row that may not shows a greyed box that
// neither a click nor Space changes. The dialog hands the list's WM_NOTIFY to OnNotify.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace kvd::win32 {

// What a row of such a list shows, read from the list window itself (also for the test
// hook's report): its box in screen coordinates, whether it is ticked, whether it may be.
RECT RowCheckBoxRect(HWND list, int row);
bool IsRowTicked(HWND list, int row);
bool IsRowRefused(HWND list, int row);

class CheckList {
  public:
    using MayTick = std::function<bool(int row)>;
    using Ticked = std::function<void(int row, bool ticked)>;

    CheckList() = default;
    ~CheckList();
    CheckList(const CheckList&) = delete;
    CheckList& operator=(const CheckList&) = delete;

    void Attach(HWND list, UINT dpi, MayTick mayTick, Ticked ticked);
    HWND Window() const { return list_; }

    void SetHeadings(const std::vector<std::wstring>& headings, const int* widths, UINT dpi);
    // Rebuilds every row, unticked; `names` empty gives no rows.
    void SetRows(const std::vector<std::wstring>& names);
    void SetCell(int row, int column, const std::wstring& text);
    void SetTicks(const std::vector<bool>& ticks);

    int RowCount() const;

    // True when the notification was the list's; `result` is then the answer.
    bool OnNotify(const NMHDR& header, LRESULT& result);

  private:
    enum StateImage { kNoBox = 0, kUnticked = 1, kTicked = 2, kRefused = 3 };
    void SetStateImage(int row, StateImage image);
    StateImage StateImageOf(int row) const;
    void MakeImages(UINT dpi);

    HWND list_ = nullptr;
    HIMAGELIST rowHeight_ = nullptr;  // one pixel wide: sets the rows' height
    HIMAGELIST boxes_ = nullptr;      // unticked, ticked, refused
    MayTick mayTick_;
    Ticked ticked_;
    bool filling_ = false;  // our own changes are not the user's
};

}  // namespace kvd::win32
