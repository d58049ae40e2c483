#include "util/JsonValues.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace tavelin {
namespace {

constexpr double kLatestSeconds = 8'520'336'000;

} // namespace

std::optional<int64_t> int64From(const nlohmann::json& value) {
    if (!value.is_number_integer())
        return std::nullopt;
    if (value.is_number_unsigned() &&
        value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return std::nullopt;
    return value.get<int64_t>();
}

std::optional<Date> dateFrom(const nlohmann::json& value) {
    if (!value.is_number())
        return std::nullopt;
    double seconds = value.get<double>();
    if (!(seconds >= -kLatestSeconds && seconds <= kLatestSeconds))
        return std::nullopt;
    return dateFromSecondsSince1970(seconds);
}

std::optional<std::vector<std::string>> stringsFrom(const nlohmann::json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_array())
        return std::nullopt;
    std::vector<std::string> texts;
    for (const nlohmann::json& value : *found) {
        if (!value.is_string())
            return std::nullopt;
        texts.push_back(value.get<std::string>());
    }
    return texts;
}

} // namespace tavelin
