#include "diskinfo/LocalSnapshots.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <regex>

namespace tavelin::DiskInfo {
namespace {

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        size_t end = std::min(text.find('\n'), text.size());
        if (end > 0)
            result.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return result;
}

int number(const std::csub_match& digits) {
    int value = 0;
    std::from_chars(digits.first, digits.second, value);
    return value;
}

// The first date and time matching `pattern`, whose six groups are year, month, day, hour,
// minute and second.
std::optional<Date> firstDate(std::string_view line, const std::regex& pattern) {
    std::cmatch match;
    if (!std::regex_search(line.data(), line.data() + line.size(), match, pattern))
        return std::nullopt;
    return localDate(number(match[1]), number(match[2]), number(match[3]), number(match[4]),
                     number(match[5]), number(match[6]));
}

const std::regex& dashedTime() {
    static const std::regex pattern(R"((\d{4})-(\d{2})-(\d{2})-(\d{2})(\d{2})(\d{2}))");
    return pattern;
}

const std::regex& spacedTime() {
    static const std::regex pattern(R"((\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}))");
    return pattern;
}

void sortByDate(std::vector<LocalSnapshot>& snapshots) {
    std::stable_sort(
        snapshots.begin(), snapshots.end(),
        [](const LocalSnapshot& a, const LocalSnapshot& b) { return a.date < b.date; });
}

using Json = nlohmann::json;

std::optional<LocalSnapshot> snapperEntry(const Json& entry, const std::string& config,
                                          const std::function<bool(const std::string&)>& belongs) {
    if (!entry.is_object())
        return std::nullopt;
    auto number = entry.find("number");
    auto date = entry.find("date");
    auto subvolume = entry.find("subvolume");
    auto flag = [&](const char* key) { return entry.value(key, Json()) == Json(true); };
    if (flag("active") || flag("default"))
        return std::nullopt;
    if (number == entry.end() || !number->is_number_unsigned() || number->get<uint64_t>() == 0 ||
        date == entry.end() || !date->is_string() || subvolume == entry.end() ||
        !subvolume->is_string() || !belongs(subvolume->get<std::string>()))
        return std::nullopt;
    std::string when = date->get<std::string>();
    std::optional<Date> parsed = firstDate(when, spacedTime());
    if (!parsed)
        return std::nullopt;
    return LocalSnapshot{*parsed, std::to_string(number->get<uint64_t>()), config, {}};
}

} // namespace

std::vector<Date> parseLocalSnapshots(std::string_view text) {
    std::vector<Date> dates;
    for (std::string_view line : lines(text))
        if (std::optional<Date> date = firstDate(line, dashedTime()))
            dates.push_back(*date);
    std::sort(dates.begin(), dates.end());
    return dates;
}

std::optional<std::vector<LocalSnapshot>>
parseSnapperList(std::string_view json, const std::function<bool(const std::string&)>& belongs) {
    nlohmann::json list = nlohmann::json::parse(json, nullptr, false);
    if (list.is_discarded() || !list.is_object())
        return std::nullopt;
    std::vector<LocalSnapshot> snapshots;
    for (const auto& [config, entries] : list.items()) {
        if (!entries.is_array())
            continue;
        for (const nlohmann::json& entry : entries)
            if (auto snapshot = snapperEntry(entry, config, belongs))
                snapshots.push_back(std::move(*snapshot));
    }
    sortByDate(snapshots);
    return snapshots;
}

std::vector<LocalSnapshot> parseSubvolumeList(std::string_view text) {
    static const std::regex line(
        R"(^ID (\d+) .*?\botime (\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) .*?\bpath (.+)$)");
    std::vector<LocalSnapshot> snapshots;
    for (std::string_view row : lines(text)) {
        std::cmatch match;
        if (!std::regex_search(row.data(), row.data() + row.size(), match, line))
            continue;
        std::optional<Date> date = localDate(number(match[2]), number(match[3]), number(match[4]),
                                             number(match[5]), number(match[6]), number(match[7]));
        if (date)
            snapshots.push_back({*date, match[1].str(), {}, match[8].str()});
    }
    sortByDate(snapshots);
    return snapshots;
}

std::vector<Date> datesOf(const std::vector<LocalSnapshot>& snapshots) {
    std::vector<Date> dates;
    for (const LocalSnapshot& snapshot : snapshots)
        dates.push_back(snapshot.date);
    std::sort(dates.begin(), dates.end());
    return dates;
}

} // namespace tavelin::DiskInfo
