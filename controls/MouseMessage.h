#pragma once
// The record a region button hands to its mouse callbacks. Handlers may write
// `result`; the button does not read it back.

#include <Qt>

enum class MouseMessageId { Enter, Leave, ButtonDown, ButtonUp };

struct MouseMessage {
    MouseMessageId id = MouseMessageId::Enter;
    // Key state at the time of the message: buttons held (a released button
    // no longer counts) and keyboard modifiers.
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
    int x = 0;  // pointer position in the button's own coordinates
    int y = 0;
    int result = 0;
};
