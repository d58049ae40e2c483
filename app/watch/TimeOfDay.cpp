#include "watch/TimeOfDay.h"

#include <QDateTime>

namespace tavelin {

QString timeOfDay(Date date, const QTimeZone& zone, const QLocale& locale) {
    QDateTime moment = QDateTime::fromMSecsSinceEpoch(wholeMillisecondsSince1970(date), zone);
    return locale.toString(moment.time(), QLocale::ShortFormat);
}

} // namespace tavelin
