// The desktop program's own controls. Other folders include only this header.
#pragma once

#include "controls/btn_list_ctrl.h"  // IWYU pragma: export
#include "controls/custom_button.h"  // IWYU pragma: export
#include "controls/custom_edit.h"    // IWYU pragma: export
#include "controls/layout_rect.h"    // IWYU pragma: export
