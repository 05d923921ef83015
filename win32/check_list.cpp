#include "win32/check_list.h"

#include "shell/window_layout.h"
#include "win32/screen_scale.h"

namespace kvd::win32 {
namespace {

// A check box picture on white, as the system draws one.
void DrawBox(HDC dc, int size, UINT state) {
    RECT area{0, 0, size, size};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT box{1, 1, size - 1, size - 1};
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | state);
}

UINT StateImageIndex(HWND list, int row) {
    return ListView_GetItemState(list, row, LVIS_STATEIMAGEMASK) >> 12;
}

}  // namespace

RECT RowCheckBoxRect(HWND list, int row) {
    // The state picture sits right before the item's icon.
    int width = 16;
    int height = 16;
    if (HIMAGELIST boxes = ListView_GetImageList(list, LVSIL_STATE))
        ImageList_GetIconSize(boxes, &width, &height);
    RECT icon{};
    ListView_GetItemRect(list, row, &icon, LVIR_ICON);
    RECT box{icon.left - width, icon.top, icon.left, icon.bottom};
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

bool IsRowTicked(HWND list, int row) { return StateImageIndex(list, row) == 2; }

bool IsRowRefused(HWND list, int row) { return StateImageIndex(list, row) == 3; }

CheckList::~CheckList() {
    if (rowHeight_ != nullptr) ImageList_Destroy(rowHeight_);
    if (boxes_ != nullptr) ImageList_Destroy(boxes_);
}

void CheckList::Attach(HWND list, UINT dpi, MayTick mayTick, Ticked ticked) {
    list_ = list;
    mayTick_ = std::move(mayTick);
    ticked_ = std::move(ticked);
    ListView_SetExtendedListViewStyle(
        list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    MakeImages(dpi);
}

void CheckList::MakeImages(UINT dpi) {
    // The rows' height comes from the small images.
    rowHeight_ = ImageList_Create(1, Scaled(layout::transfer::kRowHeight, dpi), ILC_COLOR24, 1, 0);
    ListView_SetImageList(list_, rowHeight_, LVSIL_SMALL);

    // Our own boxes, with a third, greyed one for the rows that may not be ticked.
    const int boxWidth = Scaled(16, dpi);
    boxes_ = ImageList_Create(boxWidth, boxWidth, ILC_COLOR24, 3, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (UINT state : {0u, static_cast<UINT>(DFCS_CHECKED), static_cast<UINT>(DFCS_INACTIVE)}) {
        HBITMAP picture = CreateCompatibleBitmap(screen, boxWidth, boxWidth);
        HGDIOBJ previous = SelectObject(dc, picture);
        DrawBox(dc, boxWidth, state);
        SelectObject(dc, previous);
        ImageList_Add(boxes_, picture, nullptr);
        DeleteObject(picture);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ListView_SetImageList(list_, boxes_, LVSIL_STATE);
}

void CheckList::SetHeadings(const std::vector<std::wstring>& headings, const int* widths,
                            UINT dpi) {
    while (ListView_DeleteColumn(list_, 0)) {
    }
    for (size_t column = 0; column < headings.size(); ++column) {
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        entry.fmt = LVCFMT_LEFT;
        entry.cx = Scaled(widths[column], dpi);
        entry.pszText = const_cast<wchar_t*>(headings[column].c_str());
        ListView_InsertColumn(list_, static_cast<int>(column), &entry);
    }
}

void CheckList::SetRows(const std::vector<std::wstring>& names) {
    filling_ = true;
    ListView_DeleteAllItems(list_);
    for (size_t row = 0; row < names.size(); ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertItem(list_, &item);
        SetCell(static_cast<int>(row), 1, names[row]);
        SetStateImage(static_cast<int>(row),
                      mayTick_ && !mayTick_(static_cast<int>(row)) ? kRefused : kUnticked);
    }
    filling_ = false;
}

void CheckList::SetCell(int row, int column, const std::wstring& text) {
    ListView_SetItemText(list_, row, column, const_cast<wchar_t*>(text.c_str()));
}

void CheckList::SetTicks(const std::vector<bool>& ticks) {
    filling_ = true;
    for (size_t row = 0; row < ticks.size() && static_cast<int>(row) < RowCount(); ++row) {
        if (StateImageOf(static_cast<int>(row)) == kRefused) continue;
        SetStateImage(static_cast<int>(row), ticks[row] ? kTicked : kUnticked);
    }
    filling_ = false;
}

int CheckList::RowCount() const { return ListView_GetItemCount(list_); }

void CheckList::SetStateImage(int row, StateImage image) {
    ListView_SetItemState(list_, row, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

CheckList::StateImage CheckList::StateImageOf(int row) const {
    return static_cast<StateImage>(StateImageIndex(list_, row));
}

bool CheckList::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != list_) return false;
    result = 0;
    if (header.code != LVN_ITEMCHANGING && header.code != LVN_ITEMCHANGED) return true;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    const bool boxChanged = (change.uChanged & LVIF_STATE) != 0 &&
                            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0;
    if (!boxChanged || filling_ || change.iItem < 0) return true;
    const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (header.code == LVN_ITEMCHANGING) {
        // The list itself only ever toggles between the two boxes; a refused row keeps its
        // greyed box, and no row loses its box.
        const bool refused = !mayTick_ || !mayTick_(change.iItem);
        result = (refused || (newImage != kUnticked && newImage != kTicked)) ? TRUE : FALSE;
        return true;
    }
    if (ticked_) ticked_(change.iItem, newImage == kTicked);
    return true;
}

}  // namespace kvd::win32
