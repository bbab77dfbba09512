#pragma once

#include "engine/run_metrics.h"

#include <QChartView>
#include <QString>
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

// Response times of this run over time: x is the time since the run started, y the seconds a
// probe took. Each target's successes are joined by a line of its own; every failure is a
// marked point of the one "Failures" series, drawn over the lines.
class ResponseChart final : public QChartView {
public:
    explicit ResponseChart(QWidget* parent = nullptr);

    // Replaces what the chart shows by these targets' probes.
    void Show(const std::vector<ChartedTarget>& targets);

    [[nodiscard]] std::vector<QLineSeries*> Lines() const;
    [[nodiscard]] QScatterSeries* Failures() const;

private:
    QValueAxis* m_time;
    QValueAxis* m_seconds;
};

} // namespace velnorix
