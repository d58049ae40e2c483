#include "freespace/Alerts.h"

#include <algorithm>
#include <map>
#include <vector>

namespace tavelin::Alerts {
namespace {

constexpr int64_t kDropHoldBytes = 10'000'000'000;
constexpr double kHoldFactor = 1.25;
constexpr int64_t kLowCap = 50'000'000'000;

using Conditions = std::map<AlertKind, bool>;

bool isCritical(const FreeSpaceSample& current, double factor) {
    double free = static_cast<double>(current.free);
    return free < static_cast<double>(current.total) * criticalFraction * factor ||
           free < static_cast<double>(criticalBytes) * factor;
}

bool runsOutWithin(const std::optional<Trend>& trend, double hours) {
    return trend && trend->hoursUntilFull && *trend->hoursUntilFull <= hours;
}

// Only the samples the forecast can look at: the trend's window before now, then `current`.
std::vector<FreeSpaceSample> recentSamples(std::span<const FreeSpaceSample> history,
                                           const FreeSpaceSample& current) {
    Date now = current.date;
    auto first = std::ranges::partition_point(history, [&](const FreeSpaceSample& sample) {
        return sample.date < now - Forecast::window;
    });
    auto end = std::ranges::partition_point(
        history, [&](const FreeSpaceSample& sample) { return sample.date < now; });
    std::vector<FreeSpaceSample> samples;
    if (first < end)
        samples.assign(first, end);
    samples.push_back(current);
    return samples;
}

bool isCoolingDown(const std::optional<Date>& last, Date now, std::chrono::seconds span) {
    return last && now >= *last && now - *last < span;
}

} // namespace

std::optional<DiskAlert> evaluate(std::span<const FreeSpaceSample> history,
                                  const FreeSpaceSample& current, AlertState& state) {
    if (current.total < 1 || current.free < 0)
        return std::nullopt;
    Date now = current.date;
    std::vector<FreeSpaceSample> samples = recentSamples(history, current);
    std::optional<Trend> trend = Forecast::trend(samples, now);
    std::optional<SuddenDrop> drop = Forecast::suddenDrop(samples, now, Forecast::dropBytes);

    Conditions firing{{AlertKind::critical, isCritical(current, 1)},
                      {AlertKind::runningOut, runsOutWithin(trend, runningOutHours)},
                      {AlertKind::suddenDrop, drop.has_value()}};
    Conditions holding{
        {AlertKind::critical, isCritical(current, kHoldFactor)},
        {AlertKind::runningOut, runsOutWithin(trend, runningOutHours * 2)},
        {AlertKind::suddenDrop, Forecast::suddenDrop(samples, now, kDropHoldBytes).has_value()}};

    for (AlertKind kind : kAlertKinds)
        if (!holding[kind])
            state.disarmed.erase(kind);
    if (isCoolingDown(state.lastAny, now, anyKind))
        return std::nullopt;

    auto eligible = [&](AlertKind kind) {
        if (!firing[kind] || state.disarmed.contains(kind))
            return false;
        auto sent = state.lastSent.find(kind);
        return sent == state.lastSent.end() || !isCoolingDown(sent->second, now, perKind);
    };
    auto picked = std::ranges::find_if(kAlertKinds, eligible);
    if (picked == kAlertKinds.end())
        return std::nullopt;

    state.lastAny = now;
    state.lastSent[*picked] = now;
    // Lower-priority kinds that hold now are covered by this warning; they would only repeat it.
    for (auto kind = picked; kind != kAlertKinds.end(); ++kind)
        if (firing[*kind])
            state.disarmed.insert(*kind);

    DiskAlert alert{*picked, current.free, current.total, std::nullopt, std::nullopt, drop};
    if (trend) {
        alert.hoursUntilFull = trend->hoursUntilFull;
        alert.bytesPerDay = trend->bytesPerDay;
    }
    return alert;
}

bool isLow(int64_t free, int64_t total) {
    return free < std::min(total / 10, kLowCap);
}

} // namespace tavelin::Alerts
