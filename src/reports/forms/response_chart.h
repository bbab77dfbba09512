#pragma once

#include "engine/run_metrics.h"
#include "history/history_reader.h"

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QString>
#include <cstdint>
#include <deque>
#include <vector>

class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace velnorix {

// One target's probes as the chart draws them.
struct ChartedTarget {
    QString Name;
    const std::deque<ProbeSample>* Probes = nullptr;
};

// Response times over time, y in seconds: either this run's probes, x the time since the run
// started, or one target's hours from the history, x the hours before the current one. Each
// target's successes are joined by a line of its own; every failure, or hour with one, is a
// marked point of the one "Failures" series, drawn over the lines.
class ResponseChart final : public QChartView {
public:
    explicit ResponseChart(QWidget* parent = nullptr);

    // Replaces what the chart shows by these targets' probes.
    void Show(const std::vector<ChartedTarget>& targets);
    // Replaces it by one target's mean response of each hour from `fromHour` up to but not
    // including `toHour`; `note` titles the chart, as when there is nothing to draw.
    void Show(const QString& name, const std::vector<HourFigures>& hours, std::int64_t fromHour,
              std::int64_t toHour, const QString& note = {});

    [[nodiscard]] std::vector<QLineSeries*> Lines() const;
    [[nodiscard]] QScatterSeries* Failures() const;

private:
    struct Line {
        QString Name;
        QList<QPointF> Points;
    };
    // Draws the lines and the failures over a time axis from `firstX` to `lastX`.
    void Draw(const std::vector<Line>& lines, const QList<QPointF>& failures,
              const QString& timeTitle, double firstX, double lastX);

    QValueAxis* m_time;
    QValueAxis* m_seconds;
};

} // namespace velnorix
