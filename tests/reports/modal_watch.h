#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace velnorix::kit {

// Answers the next modal window from inside its own event loop: `inspect` sees it, then it is
// closed, so a call that shows a window and waits for it returns.
class ModalWatch final {
public:
    explicit ModalWatch(std::function<void(QDialog&)> inspect) : m_inspect(std::move(inspect)) {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Check(); });
        m_timer.start(0);
    }

    [[nodiscard]] int WindowsSeen() const { return m_seen; }

private:
    void Check() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        ++m_seen;
        m_inspect(*dialog);
        dialog->reject();
    }

    std::function<void(QDialog&)> m_inspect;
    QTimer m_timer;
    int m_seen = 0;
};

} // namespace velnorix::kit
