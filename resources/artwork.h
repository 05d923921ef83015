// The program's pictures, embedded by the build (drawn by resources/draw-artwork).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace kvd {

// The program icon in its three sizes: 48, 32 and 16 pixels.
QIcon ProgramIcon();

// The 760 x 70 banner across the top of the start dialog and the transfer window.
QPixmap Banner();

}  // namespace kvd
