#include "kit/window_system_input.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace velnorix::kit {

void QueueClick(QWidget& widget, QPoint position) {
    QWindow* window = widget.window()->windowHandle();
    const QPointF local = widget.mapTo(widget.window(), position);
    const QPointF global = widget.mapToGlobal(position);
    using Interface = QWindowSystemInterface;
    Interface::handleMouseEvent<Interface::AsynchronousDelivery>(
        window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
    Interface::handleMouseEvent<Interface::AsynchronousDelivery>(
        window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
}

void QueueKey(QWidget& widget, Qt::Key key) {
    QWindow* window = widget.window()->windowHandle();
    using Interface = QWindowSystemInterface;
    Interface::handleKeyEvent<Interface::AsynchronousDelivery>(window, QEvent::KeyPress, key,
                                                               Qt::NoModifier);
    Interface::handleKeyEvent<Interface::AsynchronousDelivery>(window, QEvent::KeyRelease, key,
                                                               Qt::NoModifier);
}

} // namespace velnorix::kit
