// Moving items to the Trash, emptying it, and putting items back.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "platform/Files.h"
#include "platform/Trash.h"
#include "util/Overloaded.h"
#include "util/Paths.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace tavelin::Executor {
namespace {

namespace fs = std::filesystem;

} // namespace

ActionResult trash(const std::vector<std::string>& paths, const ExecutorEnvironment& env) {
    ActionResult result;
    std::vector<TrashedItem> moved;
    std::vector<std::string> failed;
    for (const std::string& path : paths) {
        if (!platform::pathExists(path.c_str())) {
            failed.push_back(lastPathComponent(path));
            continue;
        }
        int64_t bytes = uniqueBytes(path);
        std::optional<std::string> trashed = env.trash(path);
        if (!trashed) {
            failed.push_back(lastPathComponent(path));
            continue;
        }
        moved.push_back({path, *trashed});
        result.applied.push_back(path);
        result.freedEstimate += bytes;
    }
    if (!moved.empty())
        result.undo = UndoRecord::trashed(std::move(moved));
    if (!failed.empty())
        result.error = "Couldn't move " + list(failed) + " to the Trash.";
    return result;
}

std::optional<TrashListing> listTrash(const ExecutorEnvironment& env) {
    auto entries = platform::trashEntries(env.trashFolder);
    if (!entries)
        return std::nullopt;
    return TrashListing{env.trashFolder, std::move(*entries)};
}

ActionResult emptyTrash(const std::optional<TrashListing>& confirmed) {
    ActionResult result;
    if (!confirmed) {
        result.error = "Tavelin couldn't open the Trash.";
        return result;
    }
    std::vector<std::string> failed;
    for (const platform::TrashEntry& entry : confirmed->entries) {
        if (entry.name == ".DS_Store")
            continue;
        std::string path = joinPath(confirmed->filesFolder, entry.name);
        int64_t bytes = uniqueBytes(path);
        int error = platform::eraseFromTrash(confirmed->filesFolder, entry);
        // Gone or replaced since the user confirmed: not what they chose to erase.
        if (error == ENOENT || error == ESTALE)
            continue;
        if (error != 0) {
            failed.push_back(entry.name);
            continue;
        }
        result.applied.push_back(path);
        result.freedEstimate += bytes;
    }
    if (!failed.empty())
        result.error = "Couldn't delete " + list(failed) + " from the Trash.";
    return result;
}

PutBack putBack(const std::vector<TrashedItem>& items) {
    PutBack result;
    std::vector<std::string> occupied;
    std::vector<std::string> missing;
    for (const TrashedItem& item : items) {
        std::string name = lastPathComponent(item.original);
        if (platform::pathExists(item.original.c_str())) {
            occupied.push_back(name);
            continue;
        }
        if (!isInTrash(item)) {
            missing.push_back(name);
            continue;
        }
        std::error_code error;
        fs::create_directories(parentPath(item.original), error);
        if (error || platform::restoreFromTrash(item.trashed, item.original) != 0) {
            missing.push_back(name);
            continue;
        }
        result.restored.insert(item.original);
    }
    std::vector<std::string> sentences;
    if (!occupied.empty())
        sentences.push_back("Something new is already where " + list(occupied) +
                            " was, so it stayed in the Trash.");
    if (!missing.empty())
        sentences.push_back(list(missing) +
                            " couldn't be put back; the Trash may have been emptied.");
    result.error = joinedSentences(sentences);
    return result;
}

bool isInTrash(const TrashedItem& item) {
    return platform::trashedFrom(item.trashed) == item.original;
}

bool canUndo(const UndoRecord& record) {
    auto anyInTrash = [](const std::vector<TrashedItem>& items) {
        return std::ranges::any_of(items, isInTrash);
    };
    return std::visit(
        Overloaded{
            [&](const UndoRecord::Trashed& trashed) { return anyInTrash(trashed.items); },
            [&](const UndoRecord::Archived& archived) { return anyInTrash(archived.trashed); },
            [](const UndoRecord::MadeOnlineOnly&) { return true; },
        },
        record.value);
}

std::optional<std::string> undo(const UndoRecord& record, const ExecutorEnvironment& env) {
    if (const auto* trashed = std::get_if<UndoRecord::Trashed>(&record.value))
        return putBack(trashed->items).error;
    if (const auto* online = std::get_if<UndoRecord::MadeOnlineOnly>(&record.value)) {
        std::vector<std::string> failed;
        for (const std::string& path : online->paths)
            if (!env.download(path))
                failed.push_back(lastPathComponent(path));
        if (failed.empty())
            return std::nullopt;
        return "Couldn't start downloading " + list(failed) + " again.";
    }
    const auto& archived = std::get<UndoRecord::Archived>(record.value);
    PutBack back = putBack(archived.trashed);
    std::vector<std::string> sentences;
    if (back.error)
        sentences.push_back(*back.error);
    for (size_t i = 0; i < archived.trashed.size() && i < archived.copies.size(); ++i) {
        if (!back.restored.contains(archived.trashed[i].original))
            continue;
        if (!env.trash(archived.copies[i]))
            sentences.push_back("The archived copy of " + lastPathComponent(archived.copies[i]) +
                                " couldn't be moved to the Trash.");
    }
    return joinedSentences(sentences);
}

} // namespace tavelin::Executor
