#include "advisor/everyday/Everyday.h"

#include "util/Paths.h"
#include "util/Text.h"

#include <cmath>
#include <ctime>
#include <vector>

namespace tavelin::Everyday {
namespace {

constexpr std::array<std::string_view, 12> kMonths{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December",
};

std::tm localCalendar(Date date) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm calendar{};
    localtime_r(&seconds, &calendar);
    return calendar;
}

} // namespace

std::string extension(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return lowercased(name.substr(dot + 1));
}

bool hasScreenshotPrefix(std::string_view name) {
    return std::ranges::any_of(kScreenshotPrefixes,
                               [&](std::string_view prefix) { return name.starts_with(prefix); });
}

Date newestModification(const Node& node) {
    Date newest = node.modified;
    std::vector<const Node*> pending{&node};
    while (!pending.empty()) {
        const Node* folder = pending.back();
        pending.pop_back();
        for (const auto& child : folder->children()) {
            newest = std::max(newest, child->modified);
            if (!child->children().empty())
                pending.push_back(child.get());
        }
    }
    return newest;
}

Touch lastTouched(const Node& node, const AdvisorContext& context) {
    std::optional<Date> opened = context.lastUsed(node.path());
    return {std::max(opened.value_or(kDistantPast), newestModification(node)), opened};
}

std::string span(int days) {
    if (days < 14) {
        int count = std::max(days, 1);
        return std::to_string(count) + (count == 1 ? " day" : " days");
    }
    if (days < 60)
        return std::to_string(days / 7) + " weeks";
    if (days < 730)
        return std::to_string(days / 30) + " months";
    return std::to_string(days / 365) + " years";
}

std::string agePhrase(int days) {
    return days < 1 ? "today" : span(days) + " ago";
}

std::string month(Date date, Date now) {
    std::tm calendar = localCalendar(date);
    std::string name(kMonths[static_cast<size_t>(calendar.tm_mon)]);
    if (calendar.tm_year == localCalendar(now).tm_year)
        return name;
    return name + " " + std::to_string(calendar.tm_year + 1900);
}

std::optional<std::string> homeRelative(std::string_view path, const AdvisorContext& context) {
    std::string data = standardizedPath(std::string(kDataVolume) + context.home);
    for (const std::string& home : {context.home, data})
        if (isBelow(path, home))
            return std::string(path.substr(home == "/" ? 1 : home.size() + 1));
    return std::nullopt;
}

Node* homeNode(const AdvisorContext& context) {
    return context.node(context.home);
}

Node* userFolder(const AdvisorContext& context, const std::optional<std::string>& location) {
    return location && !location->empty() ? context.node(*location) : nullptr;
}

double value(double base, int days, int minDays, int64_t size, int64_t minSize) {
    // Ratios below one (an empty item against a zero threshold) count as one.
    double age = std::max(1.0, std::max(days, minDays) / static_cast<double>(std::max(minDays, 1)));
    double bulk = std::max(1.0, static_cast<double>(std::max(size, minSize)) /
                                    static_cast<double>(std::max<int64_t>(minSize, 1)));
    return std::max(0.05, base - 0.06 * std::log2(age) - 0.03 * std::log2(bulk));
}

bool holdsInstalledApp(std::string_view path,
                       const std::vector<platform::InstalledApp>& installedApps) {
    return std::ranges::any_of(installedApps, [&](const platform::InstalledApp& app) {
        return app.path == path || isBelow(app.path, path);
    });
}

} // namespace tavelin::Everyday
