#pragma once

// What applying a suggestion does. The executor carries each case out; `paths` are the items a
// case touches, which the planner uses to keep nested suggestions from overlapping.

#include "advisor/ArchiveDestination.h"
#include "advisor/CheckedFile.h"
#include "advisor/ToolCommand.h"
#include "advisor/cloud/CloudProvider.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavelin {

struct AdvisorAction {
    struct Trash {
        std::vector<std::string> paths;
        // Extra copies of a file where the disk cannot share their data: each path then moves
        // only while it and the kept file are still as checked.
        std::optional<CheckedCopies> checked;
        bool operator==(const Trash&) const = default;
    };
    // Every copy is replaced by a clone of `keep`, so the copies share its data.
    struct MergeDuplicates {
        std::string keep;
        std::vector<std::string> copies;
        bool operator==(const MergeDuplicates&) const = default;
    };
    struct MakeOnlineOnly {
        std::vector<std::string> paths;
        CloudProvider provider;
        bool operator==(const MakeOnlineOnly&) const = default;
    };
    struct Archive {
        std::vector<std::string> paths;
        ArchiveDestination to;
        bool operator==(const Archive&) const = default;
    };
    struct RunTool {
        ToolCommand command;
        bool operator==(const RunTool&) const = default;
    };
    // Sends the user somewhere to act; never applied, never planned.
    struct Guide {
        std::string url;
        std::string instructions;
        bool operator==(const Guide&) const = default;
    };
    // Erases the items of the Trash folders (each holding `files/` and `info/`); none listed
    // means the home Trash.
    struct EmptyTrash {
        std::vector<std::string> trashes;
        bool operator==(const EmptyTrash&) const = default;
    };

    std::variant<Trash, MergeDuplicates, MakeOnlineOnly, Archive, RunTool, Guide, EmptyTrash> value;

    static AdvisorAction trash(std::vector<std::string> paths) {
        return {Trash{std::move(paths), std::nullopt}};
    }
    static AdvisorAction trashCopies(CheckedFile keep, std::vector<CheckedFile> copies) {
        std::vector<std::string> paths;
        for (const CheckedFile& copy : copies)
            paths.push_back(copy.path);
        return {Trash{std::move(paths), CheckedCopies{std::move(keep), std::move(copies)}}};
    }
    static AdvisorAction mergeDuplicates(std::string keep, std::vector<std::string> copies) {
        return {MergeDuplicates{std::move(keep), std::move(copies)}};
    }
    static AdvisorAction makeOnlineOnly(std::vector<std::string> paths, CloudProvider provider) {
        return {MakeOnlineOnly{std::move(paths), std::move(provider)}};
    }
    static AdvisorAction archive(std::vector<std::string> paths, ArchiveDestination to) {
        return {Archive{std::move(paths), std::move(to)}};
    }
    static AdvisorAction runTool(ToolCommand command) { return {RunTool{std::move(command)}}; }
    static AdvisorAction guide(std::string url, std::string instructions) {
        return {Guide{std::move(url), std::move(instructions)}};
    }
    static AdvisorAction emptyTrash(std::vector<std::string> trashes = {}) {
        return {EmptyTrash{std::move(trashes)}};
    }

    template <typename Case>
    bool is() const {
        return std::holds_alternative<Case>(value);
    }

    // The paths the action touches: `keep` then `copies` for a merge; none for running a tool,
    // a guide or emptying the Trash.
    std::vector<std::string> paths() const;
    // The case's name: "trash", "mergeDuplicates", "makeOnlineOnly", "archive", "runTool",
    // "guide" or "emptyTrash".
    std::string_view caseName() const;

    bool operator==(const AdvisorAction&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::AdvisorAction> {
    size_t operator()(const tavelin::AdvisorAction& action) const;
};
