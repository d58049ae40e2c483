#pragma once

// How to reverse what the executor did: items it moved to the Trash, archive copies with the
// originals they replaced, or files whose local copies it removed. Records travel with the
// recent actions, and are kept in their JSON form with their batch (UndoBatch).

#include "executor/TrashedItem.h"
#include "util/Hashing.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavelin {

struct UndoRecordDecoding;

struct UndoRecord {
    struct Trashed {
        std::vector<TrashedItem> items;
        bool operator==(const Trashed&) const = default;
    };
    // The i-th copy belongs to the i-th trashed original.
    struct Archived {
        std::vector<std::string> copies;
        std::vector<TrashedItem> trashed;
        bool operator==(const Archived&) const = default;
    };
    struct MadeOnlineOnly {
        std::vector<std::string> paths;
        bool operator==(const MadeOnlineOnly&) const = default;
    };

    std::variant<Trashed, Archived, MadeOnlineOnly> value;

    static UndoRecord trashed(std::vector<TrashedItem> items) {
        return {Trashed{std::move(items)}};
    }
    static UndoRecord archived(std::vector<std::string> copies, std::vector<TrashedItem> trashed) {
        return {Archived{std::move(copies), std::move(trashed)}};
    }
    static UndoRecord madeOnlineOnly(std::vector<std::string> paths) {
        return {MadeOnlineOnly{std::move(paths)}};
    }

    bool operator==(const UndoRecord&) const = default;

    // Where the record's items are now: their places in the Trash, and the archive copies.
    std::vector<std::string> landedPaths() const;
    // The items the record moved to the Trash: trashed ones, and archived originals.
    std::vector<TrashedItem> trashedItems() const;

    // Compact JSON: one key naming the case, whose object holds the payload under "_0" (trashed,
    // madeOnlineOnly) or under "copies" and "trashed" (archived); an item is
    // {"original":…,"trashed":…}. Nothing when a path is not valid UTF-8, which a JSON string
    // cannot carry unchanged.
    std::optional<std::string> encoded() const;

    // Reads what `encoded` writes. Keys other than the three cases and the payload's are
    // ignored; no case key or more than one gives "Invalid number of keys found, expected one.".
    static UndoRecordDecoding decoded(std::string_view json);
};

struct UndoRecordDecoding {
    std::optional<UndoRecord> record;
    std::string error; // why there is no record
};

} // namespace tavelin

template <>
struct std::hash<tavelin::UndoRecord> {
    size_t operator()(const tavelin::UndoRecord& record) const;
};
