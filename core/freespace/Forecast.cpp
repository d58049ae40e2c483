#include "freespace/Forecast.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <ranges>

namespace tavelin::Forecast {
namespace {

constexpr double kSecondsPerHour = 3'600;
constexpr auto kStale = std::chrono::seconds(10'800);
// Below this daily loss, no date is forecast: it would lie years away and mean nothing.
constexpr double kLeastDailyLoss = 100'000'000;

double secondsBetween(Date from, Date to) {
    return std::chrono::duration<double>(to - from).count();
}

// The samples dated within `span` before `now`, `now` included.
std::span<const FreeSpaceSample> recent(std::span<const FreeSpaceSample> samples, Date now,
                                        std::chrono::seconds span) {
    auto first = std::ranges::partition_point(
        samples, [&](const FreeSpaceSample& sample) { return sample.date < now - span; });
    auto end = std::ranges::partition_point(
        samples, [&](const FreeSpaceSample& sample) { return sample.date <= now; });
    if (end < first)
        return {};
    return {first, end};
}

struct Point {
    double hours; // before now, so negative
    double free;
};

// One point per hour: the mean time and the median free space of the hour's samples.
std::vector<Point> hourlyPoints(std::span<const FreeSpaceSample> samples, Date now) {
    std::map<double, std::vector<const FreeSpaceSample*>> buckets;
    for (const FreeSpaceSample& sample : samples)
        buckets[std::floor(secondsBetween(now, sample.date) / kSecondsPerHour)].push_back(&sample);
    std::vector<Point> points;
    points.reserve(buckets.size());
    for (const auto& [hour, bucket] : buckets) {
        double seconds = 0;
        std::vector<double> free;
        free.reserve(bucket.size());
        for (const FreeSpaceSample* sample : bucket) {
            seconds += secondsBetween(now, sample->date);
            free.push_back(static_cast<double>(sample->free));
        }
        points.push_back({seconds / static_cast<double>(bucket.size()) / kSecondsPerHour,
                          median(std::move(free))});
    }
    std::ranges::sort(points, {}, &Point::hours);
    return points;
}

} // namespace

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::ranges::sort(values);
    size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int64_t floor(int64_t total) {
    return std::max<int64_t>(total / 100, 2'000'000'000);
}

std::optional<Trend> trend(std::span<const FreeSpaceSample> samples, Date now) {
    std::span<const FreeSpaceSample> kept = recent(samples, now, window);
    if (kept.empty())
        return std::nullopt;
    const FreeSpaceSample& newest = kept.back();
    if (now - newest.date > kStale)
        return std::nullopt;
    std::vector<Point> points = hourlyPoints(kept, now);
    if (points.size() < 8)
        return std::nullopt;
    double spanSeconds = (points.back().hours - points.front().hours) * kSecondsPerHour;
    if (spanSeconds < static_cast<double>(minimumSpan.count()))
        return std::nullopt;

    std::vector<double> slopes;
    slopes.reserve(points.size() * (points.size() - 1) / 2);
    for (size_t i = 0; i < points.size(); ++i)
        for (size_t j = i + 1; j < points.size(); ++j)
            if (points[i].hours < points[j].hours)
                slopes.push_back((points[j].free - points[i].free) /
                                 (points[j].hours - points[i].hours));
    if (slopes.empty())
        return std::nullopt;
    auto negative = std::ranges::count_if(slopes, [](double slope) { return slope < 0; });
    double negativeShare = static_cast<double>(negative) / static_cast<double>(slopes.size());
    double perHour = median(std::move(slopes));

    Trend result{perHour * 24, std::nullopt, floor(newest.total), spanSeconds / kSecondsPerHour};
    if (perHour < 0 && negativeShare >= consistency && -perHour * 24 >= kLeastDailyLoss)
        result.hoursUntilFull =
            std::max(0.0, static_cast<double>(newest.free - result.floor) / -perHour);
    return result;
}

std::optional<SuddenDrop> suddenDrop(std::span<const FreeSpaceSample> samples, Date now,
                                     int64_t threshold) {
    std::span<const FreeSpaceSample> kept = recent(samples, now, dropWindow);
    if (kept.empty())
        return std::nullopt;
    auto peak = std::ranges::max_element(kept, {}, &FreeSpaceSample::free);
    int64_t drop = peak->free - kept.back().free;
    if (drop < threshold)
        return std::nullopt;
    // The newest sample at the peak: free space was that high until then.
    auto lastPeak =
        std::ranges::find_if(std::views::reverse(kept), [&](const FreeSpaceSample& sample) {
            return sample.free == peak->free;
        });
    return SuddenDrop{drop, lastPeak->date};
}

} // namespace tavelin::Forecast
