#include "gui_waits.h"

#include "app/text_display.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QHelpEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

namespace velnorix::kit {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const QDeadlineTimer deadline(bound);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void WhenModalOpens(std::function<void(QWidget&)> work) {
    QTimer::singleShot(0, qApp, [work = std::move(work)]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            WhenModalOpens(std::move(work));
            return;
        }
        work(*modal);
    });
}

QString RestMouseOnLine(TextDisplay& display, int index) {
    const QTextBlock block = display.document()->findBlockByNumber(index);
    const QPoint point = display.cursorRect(QTextCursor(block)).center();
    QHelpEvent rest(QEvent::ToolTip, point, display.viewport()->mapToGlobal(point));
    QApplication::sendEvent(display.viewport(), &rest);
    return QToolTip::isVisible() ? AsShown(QToolTip::text()) : QString();
}

QString AsShown(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

} // namespace velnorix::kit
