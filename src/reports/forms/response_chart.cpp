#include "reports/forms/response_chart.h"

#include <QChart>
#include <QLineSeries>
#include <QList>
#include <QPointF>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>

namespace velnorix {
namespace {

constexpr double kMsPerSecond = 1000.0;

QPointF PointOf(const ProbeSample& probe) {
    return {probe.AtMs / kMsPerSecond, probe.ElapsedMs / kMsPerSecond};
}

} // namespace

ResponseChart::ResponseChart(QWidget* parent)
    : QChartView(new QChart, parent), m_time(new QValueAxis), m_seconds(new QValueAxis) {
    setObjectName(QStringLiteral("ResponseChart"));
    setRenderHint(QPainter::Antialiasing);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    chart()->legend()->setAlignment(Qt::AlignRight);
    m_time->setTitleText(QStringLiteral("Seconds since the run started"));
    m_time->setLabelFormat(QStringLiteral("%g"));
    m_seconds->setTitleText(QStringLiteral("Response (s)"));
    m_seconds->setLabelFormat(QStringLiteral("%.2f"));
    chart()->addAxis(m_time, Qt::AlignBottom);
    chart()->addAxis(m_seconds, Qt::AlignLeft);
}

void ResponseChart::Show(const std::vector<ChartedTarget>& targets) {
    chart()->removeAllSeries();
    QList<QPointF> failures;
    double lastAt = 0.0;
    double slowest = 0.0;
    for (const ChartedTarget& target : targets) {
        QList<QPointF> successes;
        successes.reserve(static_cast<qsizetype>(target.Probes->size()));
        for (const ProbeSample& probe : *target.Probes) {
            const QPointF point = PointOf(probe);
            (probe.Failed ? failures : successes).push_back(point);
            lastAt = std::max(lastAt, point.x());
            slowest = std::max(slowest, point.y());
        }
        auto* line = new QLineSeries;
        line->setName(target.Name);
        // One replace, not a signal per point: a full history is 10,000 of them.
        line->replace(successes);
        chart()->addSeries(line);
    }
    auto* failed = new QScatterSeries;
    failed->setName(QStringLiteral("Failures"));
    failed->setColor(Qt::red);
    failed->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    failed->setMarkerSize(7.0);
    failed->replace(failures);
    chart()->addSeries(failed);
    for (QAbstractSeries* series : chart()->series()) {
        series->attachAxis(m_time);
        series->attachAxis(m_seconds);
    }
    // An empty run still gets readable axes; a little headroom keeps the top point off the edge.
    m_time->setRange(0.0, std::max(lastAt, 1.0));
    m_seconds->setRange(0.0, std::max(slowest * 1.1, 0.1));
    // Round steps, so the ticks read 100, 200... rather than 153.255.
    m_time->applyNiceNumbers();
    m_seconds->applyNiceNumbers();
}

std::vector<QLineSeries*> ResponseChart::Lines() const {
    std::vector<QLineSeries*> lines;
    for (QAbstractSeries* series : chart()->series())
        if (auto* line = qobject_cast<QLineSeries*>(series))
            lines.push_back(line);
    return lines;
}

QScatterSeries* ResponseChart::Failures() const {
    for (QAbstractSeries* series : chart()->series())
        if (auto* scatter = qobject_cast<QScatterSeries*>(series))
            return scatter;
    return nullptr;
}

} // namespace velnorix
