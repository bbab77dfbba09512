#include "gui_waits.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

namespace velnorix::testing {

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

} // namespace velnorix::testing
