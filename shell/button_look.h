// How the program's flat buttons look: the first state that applies picks the colours of
// the fill and of the text. Each front end paints with these.
#pragma once

#include <cstdint>

namespace kvd {

enum class ButtonLook { Disabled, Pressed, Hover, Focus, Normal };

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// The pointer must rest this long on a button before it lights up.
inline constexpr int kButtonHoverDelayMs = 100;

constexpr ButtonLook LookOf(bool enabled, bool pressed, bool hover, bool focus) {
    if (!enabled) return ButtonLook::Disabled;
    if (pressed) return ButtonLook::Pressed;
    if (hover) return ButtonLook::Hover;
    if (focus) return ButtonLook::Focus;
    return ButtonLook::Normal;
}

constexpr Colour ButtonTextColour(ButtonLook look) {
    switch (look) {
        case ButtonLook::Disabled:
            return {165, 165, 165};
        case ButtonLook::Pressed:
            return {0, 0, 0};
        case ButtonLook::Hover:
            return {245, 245, 245};
        case ButtonLook::Focus:
        case ButtonLook::Normal:
            break;
    }
    return {255, 255, 255};
}

constexpr Colour ButtonFillColour(ButtonLook look) {
    switch (look) {
        case ButtonLook::Disabled:
            return {236, 236, 236};
        case ButtonLook::Pressed:
            return {255, 175, 175};
        case ButtonLook::Hover:
            return {0, 154, 154};
        case ButtonLook::Focus:
            return {34, 34, 34};
        case ButtonLook::Normal:
            break;
    }
    return {101, 101, 101};
}

// The sunken edge of a pressed button, on its top and left.
inline constexpr Colour kPressedEdgeColour{160, 160, 160};

}  // namespace kvd
