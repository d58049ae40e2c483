#pragma once

#include "freespace/Forecast.h"

#include <QString>
#include <optional>

namespace tavelin {

// The sentence under the free-space chart: when the disk will be full at the current rate, or
// why no date can be given.
QString forecastCaption(const std::optional<Trend>& trend, const QString& volume, Date now);

} // namespace tavelin
