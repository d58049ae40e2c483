#include "freespace/AlertState.h"

#include "freespace/StoredJson.h"
#include "util/JsonValues.h"

#include <nlohmann/json.hpp>

namespace tavelin {
namespace {

using Json = nlohmann::json;

std::optional<AlertState> decoded(const Json& json) {
    if (!json.is_object())
        return std::nullopt;
    AlertState state;
    if (json.contains("lastSent")) {
        const Json& lastSent = json["lastSent"];
        if (!lastSent.is_object())
            return std::nullopt;
        for (const auto& [name, value] : lastSent.items()) {
            std::optional<Date> date = dateFrom(value);
            if (!date)
                return std::nullopt;
            if (auto kind = alertKindFromRawValue(name))
                state.lastSent[*kind] = *date;
        }
    }
    if (json.contains("disarmed")) {
        const Json& disarmed = json["disarmed"];
        if (!disarmed.is_array())
            return std::nullopt;
        for (const Json& name : disarmed) {
            if (!name.is_string())
                return std::nullopt;
            if (auto kind = alertKindFromRawValue(name.get<std::string>()))
                state.disarmed.insert(*kind);
        }
    }
    if (json.contains("lastAny")) {
        state.lastAny = dateFrom(json["lastAny"]);
        if (!state.lastAny)
            return std::nullopt;
    }
    return state;
}

} // namespace

AlertState AlertState::load(const std::filesystem::path& directory) {
    std::filesystem::path file = directory / fileName;
    StoredJson::Contents stored = StoredJson::read(file);
    if (!stored.exists)
        return {};
    std::optional<AlertState> state = stored.json ? decoded(*stored.json) : std::nullopt;
    if (!state) {
        StoredJson::keepAside(file);
        return {};
    }
    return *state;
}

void AlertState::save(const std::filesystem::path& directory) const {
    Json lastSentJson = Json::object();
    for (const auto& [kind, date] : lastSent)
        lastSentJson[std::string(rawValue(kind))] = secondsSince1970(date);
    Json disarmedJson = Json::array();
    for (AlertKind kind : disarmed)
        disarmedJson.push_back(std::string(rawValue(kind)));
    Json json{{"lastSent", std::move(lastSentJson)}, {"disarmed", std::move(disarmedJson)}};
    if (lastAny)
        json["lastAny"] = secondsSince1970(*lastAny);
    [[maybe_unused]] auto error = StoredJson::write(directory / fileName, json);
}

} // namespace tavelin
