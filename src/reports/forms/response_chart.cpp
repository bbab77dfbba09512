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
    m_time->setLabelFormat(QStringLiteral("%g"));
    m_seconds->setTitleText(QStringLiteral("Response (s)"));
    m_seconds->setLabelFormat(QStringLiteral("%.2f"));
    chart()->addAxis(m_time, Qt::AlignBottom);
    chart()->addAxis(m_seconds, Qt::AlignLeft);
}

void ResponseChart::Show(const std::vector<ChartedTarget>& targets) {
    std::vector<Line> lines;
    QList<QPointF> failures;
    double lastAt = 0.0;
    for (const ChartedTarget& target : targets) {
        Line& line = lines.emplace_back(Line{target.Name, {}});
        line.Points.reserve(static_cast<qsizetype>(target.Probes->size()));
        for (const ProbeSample& probe : *target.Probes) {
            const QPointF point = PointOf(probe);
            (probe.Failed ? failures : line.Points).push_back(point);
            lastAt = std::max(lastAt, point.x());
        }
    }
    chart()->setTitle({});
    // An empty run still gets a readable time axis.
    Draw(lines, failures, QStringLiteral("Seconds since the run started"), 0.0,
         std::max(lastAt, 1.0));
}

void ResponseChart::Show(const QString& name, const std::vector<HourFigures>& hours,
                         std::int64_t fromHour, std::int64_t toHour, const QString& note) {
    std::vector<Line> lines;
    QList<QPointF> failures;
    if (!hours.empty()) {
        Line& line = lines.emplace_back(Line{name, {}});
        for (const HourFigures& hour : hours) {
            // The current hour is 0, the one before it -1.
            const auto x = static_cast<double>(hour.Hour - (toHour - 1));
            const double seconds = hour.MeanMs.value_or(0.0) / kMsPerSecond;
            if (hour.MeanMs)
                line.Points.push_back({x, seconds});
            if (hour.Counts.Failures > 0)
                failures.push_back({x, seconds});
        }
    }
    chart()->setTitle(note);
    Draw(lines, failures, QStringLiteral("Hours before the current one (UTC)"),
         static_cast<double>(fromHour - (toHour - 1)), 0.0);
}

void ResponseChart::Draw(const std::vector<Line>& lines, const QList<QPointF>& failures,
                         const QString& timeTitle, double firstX, double lastX) {
    chart()->removeAllSeries();
    double slowest = 0.0;
    for (const Line& line : lines) {
        auto* series = new QLineSeries;
        series->setName(line.Name);
        // One replace, not a signal per point: a full history is 10,000 of them.
        series->replace(line.Points);
        chart()->addSeries(series);
        for (const QPointF& point : line.Points)
            slowest = std::max(slowest, point.y());
    }
    for (const QPointF& point : failures)
        slowest = std::max(slowest, point.y());
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
    m_time->setTitleText(timeTitle);
    m_time->setRange(firstX, lastX);
    // A little headroom keeps the top point off the edge.
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
