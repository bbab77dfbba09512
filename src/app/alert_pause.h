#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

namespace velnorix {

// Pause Alerts: a pause for a while or until resumed, and its end when its time comes. Probing
// goes on meanwhile; what a pause stops is the owner's to apply.
class AlertPause final : public QObject {
public:
    // Puts a pause in force or ends it; `notice` is what the status bar says of it, empty once
    // it has ended.
    using Apply = std::function<void(bool paused, const QString& notice)>;

    AlertPause(Apply apply, QObject* parent);

    // A pause already in force takes the new end.
    void PauseFor(std::chrono::hours span);
    void PauseUntilResumed();
    void Resume();
    [[nodiscard]] bool Paused() const { return m_paused; }

private:
    void CheckEnd();

    Apply m_apply;
    QTimer m_endCheck;
    QDateTime m_end; // UTC; invalid while paused until resumed
    bool m_paused = false;
};

} // namespace velnorix
