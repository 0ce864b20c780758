#include "results/view/level_chart.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>

namespace rf::results {

namespace {

// Head 1 in blue, head 2 in red: the same colours in every plot and the report.
const QColor headColours[] = {QColor(0, 90, 200), QColor(200, 40, 30)};

QLineSeries* line(const QString& name, const QColor& colour, Qt::PenStyle style, qreal width) {
    auto* s = new QLineSeries;
    s->setName(name);
    QPen pen(colour, width, style);
    s->setPen(pen);
    return s;
}

}  // namespace

QChart* makeLevelChart(const std::vector<const adjust::Sweep*>& heads) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* x = new QValueAxis;
    auto* y = new QValueAxis;
    x->setTitleText(heads.empty() || heads.front()->quantity == adjust::SweepQuantity::Current
                        ? "record current offset"
                        : "record frequency offset");
    y->setTitleText("envelope level");
    x->setLabelFormat("%d");
    y->setLabelFormat("%.0f");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    if (!heads.empty()) chart->setTitle(QString::fromStdString(adjust::sweepTitle(*heads.front())));

    double xMin = 0, xMax = 0, yMax = 1;
    bool first = true;
    auto attach = [&](QAbstractSeries* s) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    };
    for (std::size_t h = 0; h < heads.size(); ++h) {
        const adjust::Sweep& sweep = *heads[h];
        const adjust::LevelCurve c = adjust::levelCurve(sweep);
        const QColor colour = headColours[h % 2];
        const QString head = QString::fromStdString(adjust::headName(sweep));

        auto* measured = line(head + " measured", colour, Qt::SolidLine, 1.5);
        auto* points = new QScatterSeries;
        points->setColor(colour);
        points->setBorderColor(colour);
        points->setMarkerSize(6);
        for (const auto& p : c.measured) {
            measured->append(p.offset, p.level);
            points->append(p.offset, p.level);
            xMin = first ? p.offset : std::min(xMin, p.offset);
            xMax = first ? p.offset : std::max(xMax, p.offset);
            yMax = std::max(yMax, p.level);
            first = false;
        }
        auto* smoothed = line(head + " smoothed", colour.lighter(140), Qt::DashLine, 1.5);
        for (const auto& p : c.smoothed)
            smoothed->append(p.offset, p.level);
        attach(measured);
        attach(points);
        chart->legend()->markers(points).front()->setVisible(false);
        attach(smoothed);
        yMax = std::max(yMax, c.reference);

        // Reference and threshold as lines across the sweep, and the chosen offset.
        auto across = [&](const QString& name, double level, Qt::PenStyle style) {
            auto* s = line(name, colour.darker(130), style, 1.0);
            const double from = sweep.offsets.empty() ? 0 : sweep.offsets.front();
            const double to = sweep.offsets.empty() ? 0 : sweep.offsets.back();
            s->append(from, level);
            s->append(to, level);
            attach(s);
        };
        across(head + " reference", c.reference, Qt::DotLine);
        if (c.thresholdLevel)
            across(head + QString(" threshold %1").arg(*c.threshold, 0, 'f', 3), *c.thresholdLevel,
                   Qt::DashDotLine);
        if (c.chosen) {
            auto* mark =
                line(head + QString(" chosen %1").arg(*c.chosen), colour, Qt::SolidLine, 2.5);
            mark->append(*c.chosen, 0);
            mark->append(*c.chosen, c.thresholdLevel.value_or(c.reference));
            attach(mark);
        }
    }
    // Ticks on whole offsets (every 20 across a current sweep's 120, every 40
    // across a frequency sweep's 160); a single point still gets a width.
    x->setTickType(QValueAxis::TicksDynamic);
    x->setTickAnchor(0);
    x->setTickInterval(
        heads.empty() || heads.front()->quantity == adjust::SweepQuantity::Current ? 20 : 40);
    if (!first) x->setRange(xMin, xMax > xMin ? xMax : xMin + 1);
    y->setRange(0, yMax * 1.1);
    y->applyNiceNumbers();
    return chart;
}

}  // namespace rf::results
