#include "watch/FreeSpaceChart.h"

#include "freespace/Forecast.h"
#include "freespace/FreeSpaceHistory.h"
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

constexpr double kGigabyte = 1e9;
// The forecast is drawn at most this far ahead, so a date months away does not squeeze the
// history into a corner; the caption still names it.
constexpr auto kFurthestAhead = std::chrono::hours(24 * 14);

constexpr auto kShortestSpan = std::chrono::hours(6);

qreal chartTime(Date date) {
    return static_cast<qreal>(wholeMillisecondsSince1970(date));
}

Date afterHours(Date date, double hours) {
    return date + std::chrono::duration_cast<Date::duration>(
                      std::chrono::duration<double, std::ratio<3600>>(hours));
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
    // From the first reading of the last two weeks, but never less than the last few hours.
    Date start = now - kShortestSpan;
    for (const FreeSpaceSample& sample : samples)
        if (sample.date >= now - FreeSpaceHistory::defaultRetention) {
            start = std::min(start, sample.date);
            break;
        }
    std::optional<Trend> trend = Forecast::trend(samples, now);

    QList<QPointF> points;
    double highest = 0;
    for (const FreeSpaceSample& sample : samples) {
        if (sample.date < start || sample.date > now)
            continue;
        points.append({chartTime(sample.date), static_cast<double>(sample.free) / kGigabyte});
        highest = std::max(highest, static_cast<double>(sample.free));
    }
    free_->replace(points);

    Date end = now;
    QList<QPointF> forecast;
    int64_t floor = samples.empty() ? 0 : Forecast::floor(samples.back().total);
    if (trend && trend->hoursUntilFull && !samples.empty()) {
        floor = trend->floor;
        double from = static_cast<double>(samples.back().free);
        Date full = afterHours(now, *trend->hoursUntilFull);
        end = std::min(full, now + kFurthestAhead);
        double hours = std::chrono::duration<double, std::ratio<3600>>(end - now).count();
        double reached = from + trend->bytesPerDay / 24 * hours;
        forecast = {{chartTime(now), from / kGigabyte}, {chartTime(end), reached / kGigabyte}};
    }
    forecast_->replace(forecast);
    QList<QPointF> floorLine;
    if (floor > 0)
        floorLine = {{chartTime(start), floor / kGigabyte}, {chartTime(end), floor / kGigabyte}};
    floor_->replace(floorLine);

    setDayRange(*days_, start, end);
    double top = std::max(highest, static_cast<double>(floor)) * 1.05 / kGigabyte;
    bytes_->setRange(0, std::max(top, 1.0));
    bytes_->applyNiceNumbers();
    bytes_->setLabelFormat(bytes_->max() < 10 ? QStringLiteral("%.1f GB")
                                              : QStringLiteral("%.0f GB"));
    caption_->setText(boot ? forecastCaption(trend, name, now)
                           : QStringLiteral("Tavelin found no startup disk to watch."));
}

} // namespace tavelin
