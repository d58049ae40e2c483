#pragma once

#include <QWidget>

class QChart;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace tavelin {

class DiskWatch;

// A window with the startup disk's free space over the last two weeks, the forecast line down
// to the point regarded as full, and a sentence that says when that is reached. Follows the
// watch as readings come in.
class FreeSpaceChart : public QWidget {
    Q_OBJECT
public:
    explicit FreeSpaceChart(DiskWatch& watch, QWidget* parent = nullptr);

    const QLineSeries& freeSeries() const { return *free_; }
    const QLineSeries& forecastSeries() const { return *forecast_; }
    const QLineSeries& floorSeries() const { return *floor_; }
    QString caption() const;

private:
    void update();

    DiskWatch& watch_;
    QChart* chart_;
    QDateTimeAxis* days_;
    QValueAxis* bytes_;
    QLineSeries* free_;
    QLineSeries* forecast_;
    QLineSeries* floor_;
    QLabel* caption_;
};

} // namespace tavelin
