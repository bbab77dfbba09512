#pragma once

#include <QPoint>
#include <Qt>

class QWidget;

namespace velnorix::kit {

// Input as a windowing system delivers it: queued for the event loop to fetch, so a loop that
// excludes user input leaves it waiting, as it would a real click or key. (QTest sends its
// events straight to the widget, past any such loop.)
void QueueClick(QWidget& widget, QPoint position);
void QueueKey(QWidget& widget, Qt::Key key);

} // namespace velnorix::kit
