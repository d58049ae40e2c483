// Moving items to the Trash, emptying it, and putting items back.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "platform/Files.h"
#include "platform/Trash.h"
#include "util/ContentHash.h"
#include "util/Overloaded.h"
#include "util/Paths.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace tavelin::Executor {
namespace {

namespace fs = std::filesystem;

// Moves items one by one and gathers what the result says about them.
class Trashing {
public:
    explicit Trashing(const ExecutorEnvironment& env)
        : env_(env) {}

    void move(const std::string& path) {
        if (!platform::pathExists(path.c_str())) {
            failed_.push_back(lastPathComponent(path));
            return;
        }
        int64_t bytes = uniqueBytes(path);
        std::optional<std::string> trashed = env_.trash(path);
        if (!trashed) {
            failed_.push_back(lastPathComponent(path));
            return;
        }
        moved_.push_back({path, *trashed});
        result_.applied.push_back(path);
        result_.freedEstimate += bytes;
    }

    // Sentences said before those about the items moved.
    ActionResult finish(std::vector<std::string> sentences = {}) && {
        if (!failed_.empty())
            sentences.push_back("Couldn't move " + list(failed_) + " to the Trash.");
        result_.error = joinedSentences(sentences);
        result_.pending = elsewhereNote(moved_, env_);
        if (!moved_.empty())
            result_.undo = UndoRecord::trashed(std::move(moved_));
        return std::move(result_);
    }

private:
    const ExecutorEnvironment& env_;
    ActionResult result_;
    std::vector<TrashedItem> moved_;
    std::vector<std::string> failed_;
};

} // namespace

std::optional<std::string> elsewhereNote(const std::vector<TrashedItem>& moved,
                                         const ExecutorEnvironment& env) {
    std::vector<std::string> names;
    for (const TrashedItem& item : moved)
        if (!isInside(item.trashed, env.trashFolder))
            names.push_back(lastPathComponent(item.original));
    if (names.empty())
        return std::nullopt;
    return names.size() == 1 ? list(names) + " is in the Trash of its own disk or volume and still "
                                             "uses space there until that Trash is emptied."
                             : list(names) + " are in the Trash of their own disk or volume and "
                                             "still use space there until that Trash is emptied.";
}

ActionResult trash(const std::vector<std::string>& paths, const ExecutorEnvironment& env) {
    Trashing trashing(env);
    for (const std::string& path : paths)
        trashing.move(path);
    return std::move(trashing).finish();
}

ActionResult trashCopies(const CheckedCopies& checked, const ExecutorEnvironment& env) {
    const CheckedFile& keep = checked.keep;
    auto keepIsStill = [&] {
        auto now = platform::FileIdentity::of(keep.path);
        return now && keep.isStill(*now);
    };
    if (!keepIsStill() || ContentHash::sha256(keep.path) != keep.digest) {
        ActionResult result;
        bool one = checked.copies.size() == 1;
        result.error = list({lastPathComponent(keep.path)}) + " changed since it was checked, so " +
                       (one ? "its copy was left as it is." : "its copies were left as they are.");
        return result;
    }
    Trashing trashing(env);
    std::vector<std::string> changed;
    for (const CheckedFile& copy : checked.copies) {
        auto now = platform::FileIdentity::of(copy.path);
        // The kept file is looked at again each time: it must still be there when its copy goes.
        if (!now || !copy.isStill(*now) || ContentHash::sha256(copy.path) != copy.digest ||
            !keepIsStill()) {
            changed.push_back(lastPathComponent(copy.path));
            continue;
        }
        trashing.move(copy.path);
    }
    std::vector<std::string> sentences;
    if (!changed.empty())
        sentences.push_back(list(changed) + " changed since it was checked and was left as it is.");
    return std::move(trashing).finish(std::move(sentences));
}

std::vector<TrashListing> listTrash(const std::vector<std::string>& trashes,
                                    const ExecutorEnvironment& env) {
    std::vector<std::string> home{parentPath(env.trashFolder)};
    std::vector<TrashListing> listings;
    for (const std::string& trash : trashes.empty() ? home : trashes)
        listings.push_back({trash, platform::trashItems(trash)});
    return listings;
}

ActionResult emptyTrash(const std::vector<TrashListing>& confirmed) {
    ActionResult result;
    std::vector<std::string> failed;
    bool unopened = false;
    for (const TrashListing& listing : confirmed) {
        if (!listing.items) {
            unopened = true;
            continue;
        }
        for (const platform::TrashItem& item : *listing.items) {
            if (item.name == ".DS_Store")
                continue;
            int error = platform::eraseFromTrash(item);
            // Gone or replaced since the user confirmed: not what they chose to erase.
            if (error == ENOENT || error == ESTALE)
                continue;
            if (error != 0) {
                failed.push_back(item.name);
                continue;
            }
            result.applied.push_back(item.path);
            result.freedEstimate += item.bytes;
        }
    }
    std::vector<std::string> sentences;
    if (unopened)
        sentences.push_back("Tavelin couldn't open the Trash.");
    if (!failed.empty())
        sentences.push_back("Couldn't delete " + list(failed) + " from the Trash.");
    result.error = joinedSentences(sentences);
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
