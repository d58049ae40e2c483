#pragma once

#include "util/Dates.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace tavelin {

// The time of day of `date` in `zone`, in the locale's short style and without the date:
// "2:05 PM" in American English, "14:05" in German.
QString timeOfDay(Date date, const QTimeZone& zone, const QLocale& locale);

} // namespace tavelin
