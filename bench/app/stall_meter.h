#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace velnorix::bench {

// Stamps every time the event loop serves a 1 ms timer and keeps the longest gap.
class StallMeter final {
public:
    StallMeter() {
        m_beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_beat, &QTimer::timeout, &m_beat, [this] { Stamp(); });
    }
    void Start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_beats = 0;
        m_beat.start(1);
    }
    void Stop() {
        Stamp();
        m_beat.stop();
    }
    [[nodiscard]] double LongestMs() const { return static_cast<double>(m_longest) / 1e6; }
    [[nodiscard]] int Beats() const { return m_beats; }

private:
    void Stamp() {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        ++m_beats;
    }

    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    int m_beats = 0;
};

} // namespace velnorix::bench
