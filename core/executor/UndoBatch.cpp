#include "executor/UndoBatch.h"

#include "history/RecordText.h"
#include "util/JsonValues.h"
#include "util/Uuid.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

namespace tavelin {
namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr size_t kIdLength = 8;

std::vector<std::string> recordTexts(const std::vector<std::string>& texts) {
    std::vector<std::string> stored;
    for (const std::string& text : texts)
        stored.push_back(History::recordText(text));
    return stored;
}

OrderedJson actionJson(const RecentAction& action) {
    OrderedJson json{{"id", action.id},
                     {"title", History::recordText(action.title)},
                     {"paths", recordTexts(action.paths)},
                     {"date", secondsSince1970(action.date)},
                     {"freed", action.freed},
                     {"undone", action.undone}};
    if (std::optional<std::string> undo = action.undo ? action.undo->encoded() : std::nullopt)
        json["undo"] = OrderedJson::parse(*undo);
    return json;
}

std::optional<std::string> stringFrom(const Json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

// One action, or the sentence saying what is wrong with it.
std::variant<RecentAction, std::string> actionFrom(const Json& json) {
    if (!json.is_object())
        return std::string("An action isn’t a JSON object.");
    auto id = stringFrom(json, "id");
    auto title = stringFrom(json, "title");
    auto paths = stringsFrom(json, "paths");
    auto date = json.contains("date") ? dateFrom(json["date"]) : std::nullopt;
    auto freed = json.contains("freed") ? int64From(json["freed"]) : std::nullopt;
    auto undone = json.find("undone");
    if (!id || !title || !paths || !date || !freed || undone == json.end() || !undone->is_boolean())
        return std::string("An action lacks its id, title, paths, date, size or state.");
    RecentAction action{*id,   *title, *paths, *date, *freed, std::nullopt, undone->get<bool>(),
                        false, {}};
    if (auto undo = json.find("undo"); undo != json.end()) {
        UndoRecordDecoding decoding = UndoRecord::decoded(undo->dump());
        if (!decoding.record)
            return decoding.error;
        action.undo = std::move(decoding.record);
    }
    return action;
}

} // namespace

std::string UndoBatch::newId() {
    std::string uuid = makeUuid();
    std::string id = uuid.substr(0, kIdLength);
    std::ranges::transform(id, id.begin(), [](unsigned char c) { return std::tolower(c); });
    return id;
}

std::string UndoBatch::encoded() const {
    OrderedJson actionsJson = OrderedJson::array();
    for (const RecentAction& action : actions)
        actionsJson.push_back(actionJson(action));
    OrderedJson json{{"date", secondsSince1970(date)}, {"actions", std::move(actionsJson)}};
    return json.dump(1, '\t');
}

UndoBatchDecoding UndoBatch::decoded(std::string_view text, std::string id) {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return {std::nullopt, "The record isn’t a JSON object."};
    auto date = json.contains("date") ? dateFrom(json["date"]) : std::nullopt;
    auto actions = json.find("actions");
    if (!date || actions == json.end() || !actions->is_array())
        return {std::nullopt, "The record has no date or no list of actions."};
    UndoBatch batch{std::move(id), *date, {}};
    for (const Json& each : *actions) {
        auto action = actionFrom(each);
        if (auto* error = std::get_if<std::string>(&action))
            return {std::nullopt, std::move(*error)};
        batch.actions.push_back(std::move(std::get<RecentAction>(action)));
    }
    return {std::move(batch), {}};
}

bool UndoBatch::hasUndo() const {
    return std::ranges::any_of(
        actions, [](const RecentAction& action) { return action.undo && !action.undone; });
}

} // namespace tavelin
