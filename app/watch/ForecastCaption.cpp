#include "watch/ForecastCaption.h"

#include "freespace/DiskAlert.h"
#include "widgets/Texts.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace tavelin {
namespace {

QString dayText(Date date) {
    QDateTime local = QDateTime::fromMSecsSinceEpoch(wholeMillisecondsSince1970(date));
    return QLocale().toString(local.date(), QStringLiteral("d MMM yyyy"));
}

QString dailyText(double bytesPerDay) {
    return bytesText(std::llround(std::fabs(bytesPerDay)));
}

} // namespace

QString forecastCaption(const std::optional<Trend>& trend, const QString& volume, Date now) {
    if (!trend)
        return QStringLiteral("A forecast needs readings that span 12 hours of the last 3 days. "
                              "Tavelin reads free space every 5 minutes while it runs.");
    if (trend->hoursUntilFull) {
        auto full =
            now + std::chrono::duration_cast<Date::duration>(
                      std::chrono::duration<double, std::ratio<3600>>(*trend->hoursUntilFull));
        return QStringLiteral("At about %1 a day, %2 will be full %3, around %4.")
            .arg(dailyText(trend->bytesPerDay), volume,
                 QString::fromStdString(DiskAlert::within(*trend->hoursUntilFull)), dayText(full));
    }
    if (trend->bytesPerDay < 0)
        return QStringLiteral("Free space is shrinking by about %1 a day, too slowly or unevenly "
                              "to say when %2 will be full.")
            .arg(dailyText(trend->bytesPerDay), volume);
    return QStringLiteral("Free space on %1 is steady or growing.").arg(volume);
}

} // namespace tavelin
