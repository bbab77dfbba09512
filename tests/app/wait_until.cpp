#include "wait_until.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

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

} // namespace velnorix::testing
