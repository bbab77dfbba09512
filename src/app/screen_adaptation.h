#pragma once

#include <optional>

namespace velnorix {

// How the main window adapts to the width of the screen it is shown on. Layouts keep the
// display filling the window; fonts keep their size as the window is resized.
struct ScreenAdaptation {
    std::optional<int> DisplayFontPoints; // set only on small screens
    int MinimumTrackWidth = 0;
    int MinimumTrackHeight = 0;
};

// Nothing for a width below 320 or of 10000 and more: the window then keeps what it had.
std::optional<ScreenAdaptation> AdaptationForScreenWidth(int width);

} // namespace velnorix
