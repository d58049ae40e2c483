// Moving items to other storage: copy, verify, and only then move the original to the Trash.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "platform/Descriptors.h"
#include "platform/Files.h"
#include "platform/ItemCopy.h"
#include "platform/ItemRemoval.h"
#include "util/Paths.h"
#include "util/Uuid.h"

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

} // namespace

ActionResult archive(const std::vector<std::string>& paths, const ArchiveDestination& to,
                     bool /*sandboxed*/, const ExecutorEnvironment& env) {
    ActionResult result;
    std::string base;
    const auto* provider = std::get_if<CloudProvider>(&to.value);
    if (provider) {
        if (!env.canMakeOnlineOnly(*provider)) {
            result.error = "Moving files to " + provider->name +
                           " wouldn't free space on this computer, so nothing was moved.";
            return result;
        }
        base = provider->root + "/Archived by Tavelin/" + batchName(env);
    } else {
        const std::string& drive = std::get<ArchiveDestination::Drive>(to.value).path;
        if (!platform::pathExists(drive.c_str())) {
            result.error = "The drive isn't connected.";
            return result;
        }
        base = drive + "/" + batchName(env);
    }

    std::vector<std::string> notCopied;
    std::vector<std::string> mismatched;
    std::vector<std::string> notTrashed;
    std::vector<std::string> copies;
    std::vector<TrashedItem> moved;
    for (const std::string& path : paths) {
        std::string name = lastPathComponent(path);
        if (!platform::pathExists(path.c_str())) {
            notCopied.push_back(name);
            continue;
        }
        std::string destination = freeName(base + "/" + relativePath(path, env.home));
        if (isInside(destination, path) || isInside(path, base)) {
            notCopied.push_back(name);
            continue;
        }
        Copied copied = copyVerified(path, destination);
        if (copied != Copied::verified) {
            (copied == Copied::failed ? notCopied : mismatched).push_back(name);
            continue;
        }
        int64_t bytes = uniqueBytes(path);
        result.archived.push_back(destination);
        std::optional<std::string> trashed = env.trash(path);
        if (!trashed) {
            notTrashed.push_back(name);
            continue;
        }
        moved.push_back({path, *trashed});
        copies.push_back(destination);
        result.applied.push_back(path);
        result.freedEstimate += bytes;
    }
    if (!moved.empty())
        result.undo = UndoRecord::archived(std::move(copies), std::move(moved));

    std::vector<std::string> sentences;
    if (!notCopied.empty())
        sentences.push_back(
            list(notCopied) + " couldn't be copied, so " +
            (notCopied.size() == 1 ? "it stayed where it was" : "they stayed where they were") +
            ".");
    if (!mismatched.empty())
        sentences.push_back("The copy of " + list(mismatched) +
                            " didn't match the original, so the original stayed.");
    if (!notTrashed.empty())
        sentences.push_back(list(notTrashed) + " was copied but couldn't be moved to the Trash.");
    result.error = joinedSentences(sentences);
    if (provider && !result.archived.empty())
        result.pending = "Uploading to " + provider->name +
                         ". Tavelin makes the archived files online-only once the upload finishes.";
    return result;
}

} // namespace tavelin::Executor
