#pragma once

#include <chrono>
#include <functional>

class QString;
class QWidget;

namespace velnorix {
class TextDisplay;
}

namespace velnorix::kit {

// Lets the event loop run until `done` holds; false when `bound` passed first. The bound only
// keeps a broken test from hanging: nothing is asserted about how long it took.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(20));

// Runs `work` on the next modal window once it is open; `work` must close it.
void WhenModalOpens(std::function<void(QWidget&)> work);

// Rests the mouse on line `index` of the display, as far as tooltips go, and answers the
// tooltip then shown (as AsShown reads it), or an empty text when none is.
QString RestMouseOnLine(TextDisplay& display, int index);

// The words a tool tip or an automatic label shows for `text`: Qt renders text that looks like
// markup as markup.
QString AsShown(const QString& text);

} // namespace velnorix::kit
