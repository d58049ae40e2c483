#include "map/ZoomFromRect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavelin {
namespace {

// Position of an underdamped spring released from 0 towards 1, at `seconds`.
double springPosition(double seconds) {
    constexpr double response = 0.28;
    constexpr double damping = 0.85;
    const double omega = 2 * std::numbers::pi / response;
    const double decay = damping * omega;
    const double omegaD = omega * std::sqrt(1 - damping * damping);
    return 1 - std::exp(-decay * seconds) *
                   (std::cos(omegaD * seconds) + decay / omegaD * std::sin(omegaD * seconds));
}

} // namespace

QRectF ZoomFromRect::at(double progress) const {
    auto lerp = [progress](double from, double to) { return from + (to - from) * progress; };
    return {lerp(rect.x(), 0), lerp(rect.y(), 0), lerp(rect.width(), 1), lerp(rect.height(), 1)};
}

QTransform ZoomFromRect::transform(const QRectF& unitRect, QSizeF size) {
    QTransform transform;
    transform.translate(unitRect.x() * size.width(), unitRect.y() * size.height());
    transform.scale(std::max(unitRect.width(), 0.001), std::max(unitRect.height(), 0.001));
    return transform;
}

double ZoomFromRect::spring(double time) {
    static const double end = springPosition(kDurationMs / 1000.0);
    if (time <= 0)
        return 0;
    if (time >= 1)
        return 1;
    return std::clamp(springPosition(time * kDurationMs / 1000.0) / end, 0.0, 1.0);
}

} // namespace tavelin
