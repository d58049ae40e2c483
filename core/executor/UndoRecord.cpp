#include "executor/UndoRecord.h"

#include "util/JsonValues.h"
#include "util/Overloaded.h"
#include "util/Text.h"

#include <nlohmann/json.hpp>

namespace tavelin {
namespace {

using OrderedJson = nlohmann::ordered_json;
using Json = nlohmann::json;

constexpr std::string_view kCases[] = {"trashed", "archived", "madeOnlineOnly"};

OrderedJson itemsJson(const std::vector<TrashedItem>& items) {
    OrderedJson array = OrderedJson::array();
    for (const TrashedItem& item : items)
        array.push_back({{"original", item.original}, {"trashed", item.trashed}});
    return array;
}

bool allValid(const std::vector<std::string>& paths) {
    return std::all_of(paths.begin(), paths.end(),
                       [](const std::string& path) { return isValidUtf8(path); });
}

bool allValid(const std::vector<TrashedItem>& items) {
    return std::all_of(items.begin(), items.end(), [](const TrashedItem& item) {
        return isValidUtf8(item.original) && isValidUtf8(item.trashed);
    });
}

std::optional<std::vector<TrashedItem>> itemsFrom(const Json& payload, const char* key) {
    auto found = payload.find(key);
    if (found == payload.end() || !found->is_array())
        return std::nullopt;
    std::vector<TrashedItem> items;
    for (const Json& value : *found) {
        auto original = value.is_object() ? value.find("original") : value.end();
        auto trashed = value.is_object() ? value.find("trashed") : value.end();
        if (original == value.end() || trashed == value.end() || !original->is_string() ||
            !trashed->is_string())
            return std::nullopt;
        items.push_back({original->get<std::string>(), trashed->get<std::string>()});
    }
    return items;
}

UndoRecordDecoding failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

std::string notAList(std::string_view key, std::string_view recordCase, std::string_view of) {
    return "“" + std::string(key) + "” of the “" + std::string(recordCase) +
           "” record isn’t a list of " + std::string(of) + ".";
}

} // namespace

std::vector<std::string> UndoRecord::landedPaths() const {
    std::vector<std::string> paths;
    auto addTrashed = [&](const std::vector<TrashedItem>& items) {
        for (const TrashedItem& item : items)
            paths.push_back(item.trashed);
    };
    std::visit(Overloaded{
                   [&](const Trashed& trashed) { addTrashed(trashed.items); },
                   [&](const Archived& archived) {
                       addTrashed(archived.trashed);
                       paths.insert(paths.end(), archived.copies.begin(), archived.copies.end());
                   },
                   [](const MadeOnlineOnly&) {},
               },
               value);
    return paths;
}

std::vector<TrashedItem> UndoRecord::trashedItems() const {
    return std::visit(Overloaded{
                          [](const Trashed& trashed) { return trashed.items; },
                          [](const Archived& archived) { return archived.trashed; },
                          [](const MadeOnlineOnly&) { return std::vector<TrashedItem>{}; },
                      },
                      value);
}

std::optional<std::string> UndoRecord::encoded() const {
    std::optional<OrderedJson> json =
        std::visit(Overloaded{
                       [](const Trashed& record) -> std::optional<OrderedJson> {
                           if (!allValid(record.items))
                               return std::nullopt;
                           return OrderedJson{{"trashed", {{"_0", itemsJson(record.items)}}}};
                       },
                       [](const Archived& record) -> std::optional<OrderedJson> {
                           if (!allValid(record.copies) || !allValid(record.trashed))
                               return std::nullopt;
                           return OrderedJson{{"archived",
                                               {{"copies", record.copies},
                                                {"trashed", itemsJson(record.trashed)}}}};
                       },
                       [](const MadeOnlineOnly& record) -> std::optional<OrderedJson> {
                           if (!allValid(record.paths))
                               return std::nullopt;
                           return OrderedJson{{"madeOnlineOnly", {{"_0", record.paths}}}};
                       },
                   },
                   value);
    if (!json)
        return std::nullopt;
    return json->dump();
}

UndoRecordDecoding UndoRecord::decoded(std::string_view text) {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded())
        return failure("The undo record isn’t valid JSON.");
    if (!json.is_object())
        return failure("The undo record isn’t a JSON object.");
    std::string_view recordCase;
    int cases = 0;
    for (std::string_view known : kCases)
        if (json.contains(known)) {
            recordCase = known;
            ++cases;
        }
    if (cases != 1)
        return failure("Invalid number of keys found, expected one.");
    const Json& payload = json[std::string(recordCase)];
    if (!payload.is_object())
        return failure("The “" + std::string(recordCase) + "” record isn’t a JSON object.");
    if (recordCase == "trashed") {
        auto items = itemsFrom(payload, "_0");
        if (!items)
            return failure(notAList("_0", recordCase, "trashed items"));
        return {UndoRecord::trashed(std::move(*items)), {}};
    }
    if (recordCase == "archived") {
        auto copies = stringsFrom(payload, "copies");
        if (!copies)
            return failure(notAList("copies", recordCase, "paths"));
        auto trashed = itemsFrom(payload, "trashed");
        if (!trashed)
            return failure(notAList("trashed", recordCase, "trashed items"));
        return {UndoRecord::archived(std::move(*copies), std::move(*trashed)), {}};
    }
    auto paths = stringsFrom(payload, "_0");
    if (!paths)
        return failure(notAList("_0", recordCase, "paths"));
    return {UndoRecord::madeOnlineOnly(std::move(*paths)), {}};
}

} // namespace tavelin

size_t std::hash<tavelin::UndoRecord>::operator()(const tavelin::UndoRecord& record) const {
    using tavelin::UndoRecord;
    return std::visit(
        tavelin::Overloaded{
            [](const UndoRecord::Trashed& r) { return tavelin::hashValues(0, r.items); },
            [](const UndoRecord::Archived& r) {
                return tavelin::hashValues(1, r.copies, r.trashed);
            },
            [](const UndoRecord::MadeOnlineOnly& r) { return tavelin::hashValues(2, r.paths); },
        },
        record.value);
}
