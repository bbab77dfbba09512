#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
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

// The frame and caption a window manager is taken to draw around the window: the window is
// placed before it is shown, when its real frame is not known yet.
inline constexpr QMargins kFrameAllowance(8, 40, 8, 8);

struct OpeningPlace {
    QPoint FramePosition; // what move() takes: the frame's top left corner
    QSize WindowSize;     // what resize() takes: inside the frame
};

// Where the main window opens on a screen: its usual place, (338, 290) from the screen's top
// left corner, moved up and left as far as it takes to keep the frame inside `available` (the
// screen less the desktop's panels), and no larger than that area.
OpeningPlace PlaceOnOpening(const QRect& screen, const QRect& available, QSize windowSize);

} // namespace velnorix
