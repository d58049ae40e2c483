#include "watch/FreeSpaceChart.h"

#include "freespace/Forecast.h"
#include "freespace/FreeSpaceHistory.h"
#include "util/Format.h"
#include "watch/DiskWatch.h"
#include "watch/ForecastCaption.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace tavelin {
namespace {

// The forecast is drawn at most this far ahead, so a date months away does not squeeze the
// history into a corner; the caption still names it.
constexpr auto kFurthestAhead = std::chrono::hours(24 * 14);
// The chart never spans less, so a fresh history is not stretched across the whole width.
constexpr auto kShortestSpan = std::chrono::hours(6);

qreal chartTime(Date date) {
    return static_cast<qreal>(wholeMillisecondsSince1970(date));
}

Date afterHours(Date date, double hours) {
    return date + std::chrono::duration_cast<Date::duration>(
                      std::chrono::duration<double, std::ratio<3600>>(hours));
}

// In GB, or GiB where sizes are shown in binary units.
qreal gigabytes(double bytes) {
    return bytes / static_cast<qreal>(byteUnit(3).size);
}

// From the first reading of the last two weeks, but never less than the last few hours.
Date chartStart(const std::vector<FreeSpaceSample>& samples, Date now) {
    Date start = now - kShortestSpan;
    auto first = std::ranges::find_if(samples, [&](const FreeSpaceSample& sample) {
        return sample.date >= now - FreeSpaceHistory::defaultRetention;
    });
    return first == samples.end() ? start : std::min(start, first->date);
}

QList<QPointF> historyPoints(const std::vector<FreeSpaceSample>& samples, Date start, Date now) {
    QList<QPointF> points;
    for (const FreeSpaceSample& sample : samples)
        if (sample.date >= start && sample.date <= now)
            points.append({chartTime(sample.date), gigabytes(static_cast<double>(sample.free))});
    return points;
}

struct ForecastLine {
    QList<QPointF> points; // from now to the floor, or to the furthest the chart shows
    Date end;              // where the chart ends
    int64_t floor = 0;     // none without readings
};

ForecastLine forecastLine(const std::vector<FreeSpaceSample>& samples,
                          const std::optional<Trend>& trend, Date now) {
    if (samples.empty())
        return {{}, now, 0};
    if (!trend || !trend->hoursUntilFull)
        return {{}, now, Forecast::floor(samples.back().total)};
    double from = static_cast<double>(samples.back().free);
    Date end = std::min(afterHours(now, *trend->hoursUntilFull), now + kFurthestAhead);
    double hours = std::chrono::duration<double, std::ratio<3600>>(end - now).count();
    double reached = from + trend->bytesPerDay / 24 * hours;
    return {{{chartTime(now), gigabytes(from)}, {chartTime(end), gigabytes(reached)}},
            end,
            trend->floor};
}

// Whole local days around the span, one tick a day or every few days, so every tick falls on a
// midnight and carries its date.
void setDayRange(QDateTimeAxis& axis, Date start, Date end) {
    QDate firstDay = QDateTime::fromMSecsSinceEpoch(wholeMillisecondsSince1970(start)).date();
    QDateTime last = QDateTime::fromMSecsSinceEpoch(wholeMillisecondsSince1970(end));
    qint64 days = std::max<qint64>(1, firstDay.daysTo(last.date()) + 1);
    qint64 step = days <= 8 ? 1 : days <= 16 ? 2 : days <= 32 ? 4 : 7;
    qint64 ticks = (days + step - 1) / step;
    axis.setRange(firstDay.startOfDay(), firstDay.addDays(ticks * step).startOfDay());
    axis.setTickCount(static_cast<int>(ticks) + 1);
}

QLineSeries* series(const QString& name, const QPen& pen, QChart* chart) {
    auto* line = new QLineSeries(chart);
    line->setName(name);
    line->setPen(pen);
    chart->addSeries(line);
    return line;
}

QPen dashed(const QColor& color) {
    QPen pen(color, 2);
    pen.setStyle(Qt::DashLine);
    return pen;
}

} // namespace

FreeSpaceChart::FreeSpaceChart(DiskWatch& watch, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , watch_(watch)
    , chart_(new QChart)
    , days_(new QDateTimeAxis(chart_))
    , bytes_(new QValueAxis(chart_))
    , free_(series(QStringLiteral("Free space"), QPen(QColor(0x1F, 0x77, 0xD0), 2), chart_))
    , forecast_(series(QStringLiteral("Forecast"), dashed(QColor(0xF0, 0x8A, 0x00)), chart_))
    , floor_(series(QStringLiteral("Full"), dashed(QColor(0xD9, 0x30, 0x25)), chart_))
    , caption_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Free-Space History"));
    resize(720, 440);
    days_->setFormat(QStringLiteral("d MMM"));
    chart_->addAxis(days_, Qt::AlignBottom);
    chart_->addAxis(bytes_, Qt::AlignLeft);
    for (QLineSeries* line : {free_, forecast_, floor_}) {
        line->attachAxis(days_);
        line->attachAxis(bytes_);
    }
    chart_->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart_, this);
    view->setRenderHint(QPainter::Antialiasing);
    caption_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view, 1);
    layout->addWidget(caption_);

    connect(&watch_, &DiskWatch::samplesChanged, this, &FreeSpaceChart::update);
    connect(&watch_, &DiskWatch::volumesChanged, this, &FreeSpaceChart::update);
    update();
}

QString FreeSpaceChart::caption() const {
    return caption_->text();
}

void FreeSpaceChart::update() {
    const platform::Volume* boot = watch_.boot();
    QString name = boot ? QString::fromStdString(boot->name) : QString();
    setWindowTitle(boot ? QStringLiteral("Free-Space History — ") + name
                        : QStringLiteral("Free-Space History"));
    const std::vector<FreeSpaceSample>& samples = watch_.samples();
    Date now = watch_.now();
    Date start = chartStart(samples, now);
    std::optional<Trend> trend = Forecast::trend(samples, now);

    QList<QPointF> history = historyPoints(samples, start, now);
    free_->replace(history);
    ForecastLine forecast = forecastLine(samples, trend, now);
    forecast_->replace(forecast.points);
    QList<QPointF> floorLine;
    if (forecast.floor > 0)
        floorLine = {{chartTime(start), gigabytes(static_cast<double>(forecast.floor))},
                     {chartTime(forecast.end), gigabytes(static_cast<double>(forecast.floor))}};
    floor_->replace(floorLine);

    setDayRange(*days_, start, forecast.end);
    double highest = gigabytes(static_cast<double>(forecast.floor));
    for (const QPointF& point : history)
        highest = std::max(highest, point.y());
    bytes_->setRange(0, std::max(highest * 1.05, 1.0));
    bytes_->applyNiceNumbers();
    QString unit =
        QString::fromUtf8(byteUnit(3).name.data(), static_cast<qsizetype>(byteUnit(3).name.size()));
    bytes_->setLabelFormat(
        (bytes_->max() < 10 ? QStringLiteral("%.1f ") : QStringLiteral("%.0f ")) + unit);
    caption_->setText(boot ? forecastCaption(trend, name, now)
                           : QStringLiteral("Tavelin found no system disk to watch."));
}

} // namespace tavelin
