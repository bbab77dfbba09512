#pragma once

#include <QFont>

namespace velnorix {

// The dialogs' proportional font, Arial at 13 pixels (a metric twin stands in where Arial is
// missing).
QFont FormFont();
// The fixed-pitch font of target entries and addresses, Courier New at 13 pixels.
QFont FixedPitchFont();

} // namespace velnorix
