// The core's window layout (shell/window_layout.h) as Qt rectangles and sizes: Qt's
// device-independent pixels are the layout's pixels at 96 dots per inch.
#pragma once

#include <QRect>
#include <QSize>

#include "shell/window_layout.h"

namespace kvd {

constexpr QRect ToQRect(const layout::Rect& area) {
    return {area.x, area.y, area.width, area.height};
}

constexpr QSize ToQSize(const layout::Size& size) { return {size.width, size.height}; }

}  // namespace kvd
