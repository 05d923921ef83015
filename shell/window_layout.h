// Where the desktop program's controls lie, in pixels at 96 dots per inch, for every front
// end: the windows are designed in dialog units, at 1.5 pixels per unit in both directions.
// A front end scales these by its screen's density.
#pragma once

namespace kvd::layout {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

constexpr int Units(int units) { return units * 3 / 2; }

constexpr Rect UnitRect(int x, int y, int width, int height) {
    return {Units(x), Units(y), Units(width), Units(height)};
}

// Labels get a little more height than their design, so that wider fonts fit.
constexpr Rect LabelRect(int x, int y, int width, int height) {
    const Rect area = UnitRect(x, y, width, height);
    return {area.x, area.y - 2, area.width, area.height + 5};
}

// The wide buttons grow to the left, where the window is empty, so that their texts fit.
constexpr Rect WideButtonRect(int x, int y, int width, int height) {
    const Rect area = UnitRect(x, y, width, height);
    return {area.x - 40, area.y, area.width + 40, area.height};
}

namespace start {
inline constexpr Size kClient{360, 230};
inline constexpr Rect kModeButton = UnitRect(84, 57, 66, 20);
inline constexpr Rect kEndButton = UnitRect(177, 102, 50, 14);
inline constexpr Rect kStatus = UnitRect(7, 97, 160, 27);
}  // namespace start

namespace transfer {
inline constexpr Size kGpsLogClient{640, 350};
inline constexpr Size kUpdateClient{400, 350};
inline constexpr Rect kHeaderLabel = LabelRect(7, 57, 147, 8);
inline constexpr Rect kPathLabel = LabelRect(15, 69, 133, 11);
inline constexpr Rect kPathEdit = UnitRect(15, 81, 168, 13);
inline constexpr Rect kSelectButton = UnitRect(187, 80, 28, 14);
inline constexpr Rect kGetButton = WideButtonRect(146, 100, 69, 14);
inline constexpr Rect kFormatChoice = UnitRect(15, 100, 64, 14);  // left of the get button
inline constexpr Rect kVoiceLabel = LabelRect(7, 123, 128, 8);
inline constexpr Rect kMemPathLabel = LabelRect(15, 136, 130, 8);
inline constexpr Rect kMemPathEdit = UnitRect(15, 146, 168, 13);
inline constexpr Rect kSelectMemButton = UnitRect(187, 145, 28, 14);
inline constexpr Rect kUpdateVoiceButton = WideButtonRect(146, 166, 69, 14);
inline constexpr Rect kListLabel = LabelRect(7, 148, 125, 8);
inline constexpr Rect kSelectAllBox{23, 236, 15, 16};
inline constexpr Rect kSelectAllLabel{40, 236, 224 + 76, 17};  // reaches to the list
inline constexpr Rect kDeleteButton = WideButtonRect(146, 174, 69, 14);
inline constexpr Rect kCloseButton = UnitRect(15, 189, 50, 14);
inline constexpr Rect kList = UnitRect(228, 0, 180, 217);
// The list's columns (tick, name, size, "new") and its rows.
inline constexpr int kColumnWidths[] = {50, 116, 58, 40};
inline constexpr int kRowHeight = 18;
}  // namespace transfer

namespace progress {
// The bar with its timing text.
inline constexpr Size kPercentClient{474, 182};
inline constexpr Rect kPercentMessage{74, 11, 314, 52};
inline constexpr Rect kPercentBar{30, 76, 416, 21};
inline constexpr Rect kPercentCancel{194, 120, 75, 23};
// The endless bar: no caption, centred on its owner; the message as wide as the bar.
inline constexpr Size kMarqueeWindow{450, 200};
inline constexpr Rect kMarqueeMessage{60, 40, 320, 20};
inline constexpr Rect kMarqueeBar{60, 80, 320, 20};
inline constexpr Rect kMarqueeCancel{176, 140, 90, 20};
}  // namespace progress

}  // namespace kvd::layout
