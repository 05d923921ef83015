// The windows' layouts are designed in dialog units; at the program's font one unit is 1.5
// device-independent pixels in both directions.
#pragma once

#include <QRect>

namespace kvd {

constexpr int DialogUnitsToPixels(int units) { return units * 3 / 2; }

constexpr QRect DialogUnits(int x, int y, int width, int height) {
    return {DialogUnitsToPixels(x), DialogUnitsToPixels(y), DialogUnitsToPixels(width),
            DialogUnitsToPixels(height)};
}

}  // namespace kvd
