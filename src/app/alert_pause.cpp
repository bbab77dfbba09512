#include "app/alert_pause.h"

#include <algorithm>
#include <utility>

namespace velnorix {
namespace {

// A timer's clock stands still while the machine sleeps, so the end is compared with the wall
// clock at least this often.
constexpr qint64 kMostBetweenChecksMs = 60'000;

QString UntilText(const QDateTime& endUtc) {
    const QDateTime end = endUtc.toLocalTime();
    // An eight-hour pause may end tomorrow, which the time alone would not tell.
    const bool today = end.date() == QDate::currentDate();
    return QStringLiteral("Alerts paused until ") +
           end.toString(today ? QStringLiteral("HH:mm") : QStringLiteral("ddd HH:mm"));
}

} // namespace

AlertPause::AlertPause(Apply apply, QObject* parent) : QObject(parent), m_apply(std::move(apply)) {
    m_endCheck.setSingleShot(true);
    connect(&m_endCheck, &QTimer::timeout, this, &AlertPause::CheckEnd);
}

void AlertPause::PauseFor(std::chrono::hours span) {
    m_end = QDateTime::currentDateTimeUtc().addSecs(
        std::chrono::duration_cast<std::chrono::seconds>(span).count());
    m_paused = true;
    m_apply(true, UntilText(m_end));
    CheckEnd();
}

void AlertPause::PauseUntilResumed() {
    m_end = QDateTime();
    m_endCheck.stop();
    m_paused = true;
    m_apply(true, QStringLiteral("Alerts paused until resumed"));
}

void AlertPause::Resume() {
    m_end = QDateTime();
    m_endCheck.stop();
    if (!m_paused)
        return;
    m_paused = false;
    m_apply(false, {});
}

void AlertPause::CheckEnd() {
    if (!m_end.isValid())
        return;
    const qint64 left = QDateTime::currentDateTimeUtc().msecsTo(m_end);
    if (left <= 0) {
        Resume();
        return;
    }
    m_endCheck.start(static_cast<int>(std::min(left, kMostBetweenChecksMs)));
}

} // namespace velnorix
