// Moving items to other storage: copy, verify, and only then move the original to the Trash.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "platform/Descriptors.h"
#include "platform/FileFacts.h"
#include "platform/Files.h"
#include "platform/ItemCopy.h"
#include "platform/ItemRemoval.h"
#include "platform/Volumes.h"
#include "util/Format.h"
#include "util/Paths.h"
#include "util/Uuid.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <filesystem>

namespace tavelin::Executor {
namespace {

// Longest part of a name kept in a temporary copy's name, leaving room for the rest within the
// system's 255-byte limit.
constexpr size_t kTemporaryNameRoom = 200;

// "From NAME yyyy-MM-dd", the name's "/" and ":" made "-", the day in local time.
std::string batchName(const ExecutorEnvironment& env) {
    std::string name = env.macName();
    for (char& c : name)
        if (c == '/' || c == ':')
            c = '-';
    std::time_t seconds = std::chrono::system_clock::to_time_t(env.now());
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    return "From " + name + " " + day;
}

// A hidden name beside the destination: an interrupted copy never sits under the final name.
std::string temporaryBeside(const std::string& destination) {
    std::string name = lastPathComponent(destination).substr(0, kTemporaryNameRoom);
    return joinPath(parentPath(destination), "." + name + ".tavelin-" + makeUuid().substr(0, 8));
}

// One entry of an item as it was before it was copied: what changes when the entry is written
// to, renamed, replaced, or has entries added or removed.
struct Look {
    std::string name; // relative to the item; empty for the item itself
    uint64_t device = 0;
    uint64_t inode = 0;
    bool isDirectory = false;
    int64_t modifiedSeconds = 0;
    uint32_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    uint32_t changedNanoseconds = 0;
    bool operator==(const Look&) const = default;
};

std::optional<Look> lookOf(const std::string& path, std::string name) {
    platform::FileFacts facts;
    if (platform::readFileFacts(path.c_str(), facts) != 0)
        return std::nullopt;
    return Look{std::move(name),       facts.device,
                facts.inode,           facts.isDirectory,
                facts.modifiedSeconds, facts.modifiedNanoseconds,
                facts.changedSeconds,  facts.changedNanoseconds};
}

// The item and, for a folder, every entry beneath it, by name; nothing when any of it cannot
// be examined (then it cannot be shown unchanged either).
std::optional<std::vector<Look>> lookAt(const std::string& path) {
    auto top = lookOf(path, {});
    if (!top)
        return std::nullopt;
    std::vector<Look> looks{*top};
    if (!top->isDirectory)
        return looks;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(path, error), end; it != end;
         it.increment(error)) {
        if (error)
            return std::nullopt;
        auto look = lookOf(it->path().string(), it->path().lexically_relative(path).string());
        if (!look)
            return std::nullopt;
        looks.push_back(std::move(*look));
    }
    if (error)
        return std::nullopt;
    std::ranges::sort(looks, {}, &Look::name);
    return looks;
}

enum class Copied { verified, failed, mismatched };

// Copies `path` to a temporary name, verifies it, then gives it the destination's name.
Copied copyVerified(const std::string& path, const std::string& destination) {
    // Nothing at the destination is ever removed: until the last step it is not ours.
    std::error_code error;
    std::filesystem::create_directories(parentPath(destination), error);
    if (error)
        return Copied::failed;
    std::string temporary = temporaryBeside(destination);
    if (platform::copyItem(path, temporary) != 0) {
        (void)platform::removeItem(temporary);
        return Copied::failed;
    }
    if (!identical(path, temporary)) {
        (void)platform::removeItem(temporary);
        return Copied::mismatched;
    }
    if (platform::renameNoReplace(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str()) !=
        0) {
        (void)platform::removeItem(temporary);
        return Copied::failed;
    }
    return Copied::verified;
}

// Why the folder `drive` cannot take the items: it is on their own file system (an unmounted
// drive's mount point is an empty folder there), or nothing may be written in it.
std::optional<std::string> driveRefusal(const std::string& drive,
                                        const std::vector<std::string>& paths) {
    std::string name = list({lastPathComponent(drive)});
    if (auto same = onTheSameDisk(drive, paths))
        return name + " is on the same disk as " + list({lastPathComponent(*same)}) +
               ", so moving there would free nothing and nothing was moved.";
    if (!platform::canWriteInto(drive.c_str()))
        return "Tavelin can't write to " + name + ", so nothing was moved.";
    return std::nullopt;
}

// Why the items, `needed` bytes on their disk, would not fit on the drive; nothing when they
// would, or when its free space is unknown (a full drive still only fails the copy).
std::optional<std::string> roomRefusal(const std::string& drive, int64_t needed,
                                       const std::vector<std::string>& names) {
    auto available = platform::availableBytes(drive);
    if (!available || *available >= needed)
        return std::nullopt;
    std::string what =
        names.size() == 1
            ? list(names) + " needs "
            : "the " + formatCounted(static_cast<int64_t>(names.size()), "item") + " need ";
    return list({lastPathComponent(drive)}) + " has " + formatBytes(*available) + " free, but " +
           what + formatBytes(needed) + ", so nothing was moved.";
}

// One item to archive, measured before anything is copied.
struct Item {
    std::string path;
    ItemBytes bytes;
    std::optional<std::vector<Look>> before{}; // as it was copied
    std::string copy{};                        // its verified copy
};

// The folder the items go to, or the sentence saying why nothing can go there.
struct Base {
    std::string folder;
    std::optional<std::string> refusal{};
};

Base baseFolder(const ArchiveDestination& to, const std::vector<std::string>& paths,
                const std::vector<Item>& items, const ExecutorEnvironment& env) {
    if (const auto* provider = std::get_if<CloudProvider>(&to.value)) {
        if (!env.canMakeOnlineOnly(*provider))
            return {{},
                    "Moving files to " + provider->name +
                        " wouldn't free space on this computer, so nothing was moved."};
        return {provider->root + "/Archived by Tavelin/" + batchName(env)};
    }
    const std::string& drive = std::get<ArchiveDestination::Drive>(to.value).path;
    if (!platform::pathExists(drive.c_str()))
        return {{}, "The drive isn't connected."};
    if (auto refusal = driveRefusal(drive, paths))
        return {{}, std::move(refusal)};
    int64_t needed = 0;
    std::vector<std::string> names;
    for (const Item& item : items) {
        needed += item.bytes.onDisk;
        names.push_back(lastPathComponent(item.path));
    }
    if (auto refusal = roomRefusal(drive, needed, names))
        return {{}, std::move(refusal)};
    return {drive + "/" + batchName(env)};
}

// Copies every item and verifies the copies, then moves the originals that are still as they
// were copied to the Trash, gathering what the result says.
class Archiving {
public:
    Archiving(std::string base, const ExecutorEnvironment& env)
        : base_(std::move(base))
        , env_(env) {}

    void copy(Item& item) {
        std::string destination = freeName(base_ + "/" + relativePath(item.path, env_.home));
        if (isInside(destination, item.path) || isInside(item.path, base_)) {
            notCopied_.push_back(lastPathComponent(item.path));
            return;
        }
        item.before = lookAt(item.path);
        Copied outcome = item.before ? copyVerified(item.path, destination) : Copied::failed;
        if (outcome != Copied::verified) {
            (outcome == Copied::failed ? notCopied_ : mismatched_)
                .push_back(lastPathComponent(item.path));
            return;
        }
        item.copy = destination;
        result_.archived.push_back(destination);
        copied_.push_back(&item);
    }

    // A change since the copy would be lost with the original, so a changed original stays.
    void trashOriginals() {
        for (const Item* item : copied_) {
            std::string name = lastPathComponent(item->path);
            if (lookAt(item->path) != item->before) {
                changed_.push_back(name);
                continue;
            }
            std::optional<std::string> trashed = env_.trash(item->path);
            if (!trashed) {
                notTrashed_.push_back(name);
                continue;
            }
            moved_.push_back({item->path, *trashed});
            copies_.push_back(item->copy);
            result_.applied.push_back(item->path);
            result_.freedEstimate += item->bytes.unique;
        }
    }

    void notCopied(std::string name) { notCopied_.push_back(std::move(name)); }

    ActionResult finish(const CloudProvider* provider) && {
        result_.error = joinedSentences(sentences());
        std::vector<std::string> notes;
        if (provider && !result_.archived.empty())
            notes.push_back("Uploading to " + provider->name +
                            ". Tavelin makes the archived files online-only once the upload "
                            "finishes.");
        if (auto elsewhere = elsewhereNote(moved_, env_))
            notes.push_back(std::move(*elsewhere));
        result_.pending = joinedSentences(notes);
        if (!moved_.empty())
            result_.undo = UndoRecord::archived(std::move(copies_), std::move(moved_));
        return std::move(result_);
    }

private:
    std::vector<std::string> sentences() const {
        std::vector<std::string> sentences;
        if (!notCopied_.empty())
            sentences.push_back(list(notCopied_) + " couldn't be copied, so " +
                                (notCopied_.size() == 1 ? "it stayed where it was"
                                                        : "they stayed where they were") +
                                ".");
        if (!mismatched_.empty())
            sentences.push_back("The copy of " + list(mismatched_) +
                                " didn't match the original, so the original stayed.");
        if (!changed_.empty())
            sentences.push_back(list(changed_) + " changed after it was copied, so " +
                                (changed_.size() == 1 ? "it stayed, and so did its copy."
                                                      : "they stayed, and so did their copies."));
        if (!notTrashed_.empty())
            sentences.push_back(list(notTrashed_) +
                                " was copied but couldn't be moved to the Trash.");
        return sentences;
    }

    std::string base_;
    const ExecutorEnvironment& env_;
    ActionResult result_;
    std::vector<std::string> notCopied_;
    std::vector<std::string> mismatched_;
    std::vector<std::string> changed_;
    std::vector<std::string> notTrashed_;
    std::vector<const Item*> copied_;
    std::vector<std::string> copies_;
    std::vector<TrashedItem> moved_;
};

} // namespace

ActionResult archive(const std::vector<std::string>& paths, const ArchiveDestination& to,
                     bool /*sandboxed*/, const ExecutorEnvironment& env) {
    std::vector<Item> items;
    std::vector<std::string> missing;
    for (const std::string& path : paths) {
        if (platform::pathExists(path.c_str()))
            items.push_back({path, measure(path)});
        else
            missing.push_back(lastPathComponent(path));
    }
    Base base = baseFolder(to, paths, items, env);
    if (base.refusal) {
        ActionResult refused;
        refused.error = std::move(base.refusal);
        return refused;
    }
    Archiving archiving(std::move(base.folder), env);
    for (std::string& name : missing)
        archiving.notCopied(std::move(name));
    // Every copy is made and verified before any original moves.
    for (Item& item : items)
        archiving.copy(item);
    archiving.trashOriginals();
    return std::move(archiving).finish(std::get_if<CloudProvider>(&to.value));
}

} // namespace tavelin::Executor
