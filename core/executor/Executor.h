#pragma once

// Carries out advisor actions on the file system and puts things back on request. Nothing
// leaves its place except through the Trash, or after a verified copy of it exists; only
// emptying the Trash deletes. Every failure comes back as sentences in the result, naming at
// most two items by their last path component; one item's failure never stops the others.
//
// Stateless. Every operation blocks until it is done and runs off the user-interface thread;
// within one call the items are handled one after another. The machine is reached through the
// environment's callbacks and the platform layer.

#include "advisor/AdvisorAction.h"
#include "executor/ActionResult.h"
#include "executor/ExecutorEnvironment.h"
#include "executor/TrashListing.h"
#include "executor/UndoRecord.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::Executor {

// Carries out the action; `sandboxed` keeps tools from running. A guide gives an empty result.
// Emptying the Trash erases the items of `confirmedTrash` only.
ActionResult apply(const AdvisorAction& action, bool sandboxed, const ExecutorEnvironment& env,
                   const std::vector<TrashListing>& confirmedTrash = {});

// Moves each path to the Trash; the undo record lists the items that moved. Items that went to
// a Trash other than the home one (that of another disk or btrfs subvolume) are named in
// `pending`: their space is still in use there.
ActionResult trash(const std::vector<std::string>& paths, const ExecutorEnvironment& env);

// Moves extra copies of a file to the Trash, as `trash` does, but only while the kept file and
// each copy are still the files checked, with the checked content: otherwise what changed stays
// and is named. Nothing moves when the kept file changed or is gone.
ActionResult trashCopies(const CheckedCopies& checked, const ExecutorEnvironment& env);

// The note for items that went to a Trash other than the home one (`env.trashFolder`): they
// still use space on their disk until that Trash is emptied. Nothing when all went home.
std::optional<std::string> elsewhereNote(const std::vector<TrashedItem>& moved,
                                         const ExecutorEnvironment& env);

// Each Trash folder (the home Trash, whose `files/` folder is `env.trashFolder`, when none is
// given) with the items it holds now: taken when the user confirms, for `emptyTrash`.
std::vector<TrashListing> listTrash(const std::vector<std::string>& trashes,
                                    const ExecutorEnvironment& env);

// Deletes the listed items for good, each only while its name still holds the item listed: an
// item gone or replaced since is left alone without a word. The freed estimate is the items' own
// bytes with their info files. Never an undo record.
ActionResult emptyTrash(const std::vector<TrashListing>& confirmed);

// Makes each copy share the data of `keep`, after checking that it still has the kept file's
// length, mount and SHA-256 digest and is not locked. Copies that already share it are
// skipped without a word. Never an undo record: each copy keeps its name, place, content and
// metadata.
ActionResult mergeDuplicates(const std::string& keep, const std::vector<std::string>& copies,
                             const ExecutorEnvironment& env);

// Copies each path to the destination, verifies the copy, and only then moves the original to
// the Trash. The undo record puts the originals back and trashes their copies.
ActionResult archive(const std::vector<std::string>& paths, const ArchiveDestination& to,
                     bool sandboxed, const ExecutorEnvironment& env);

// Runs a tool's own clean-up command; the freed estimate is the growth of free space. A command
// run through pkexec that never ran (pkexec missing or unable to start, the password prompt
// closed, the password refused) fails with a sentence that says so and that nothing changed.
ActionResult runTool(const ToolCommand& command, bool sandboxed, const ExecutorEnvironment& env);

struct OnlineOnly {
    ActionResult result;
    std::vector<std::string> waiting; // files not uploaded yet, left as they are
};
// Removes the local copies of the uploaded files under each path, keeping them in the cloud.
OnlineOnly makeOnlineOnly(const std::vector<std::string>& paths, const CloudProvider& provider,
                          bool sandboxed, const ExecutorEnvironment& env);

// Waits until every local file under the paths is uploaded (polling every `env.pollInterval`),
// the timeout passes or `isCancelled` answers true, then makes them online-only.
ActionResult makeOnlineOnlyWhenUploaded(const std::vector<std::string>& paths,
                                        const CloudProvider& provider,
                                        std::chrono::milliseconds timeout, bool sandboxed,
                                        const ExecutorEnvironment& env,
                                        const std::function<bool()>& isCancelled = {});

// Reverses a record; nothing when everything was put back, else the sentences saying what not.
std::optional<std::string> undo(const UndoRecord& record, const ExecutorEnvironment& env);

struct PutBack {
    std::set<std::string> restored; // originals that are back
    std::optional<std::string> error;
};
// Moves trashed items back to their original paths, never over anything that is there now;
// missing parent folders are made again. An item is put back only while it is still in the
// Trash as that item (`isInTrash`).
PutBack putBack(const std::vector<TrashedItem>& items);

// Whether the item is still where the Trash took it, with the info file that says it came
// from its original path: an item of the same name trashed later is not it.
bool isInTrash(const TrashedItem& item);

// Whether undoing the record could still put anything back: some item it trashed is still in
// the Trash. Files made online-only can always be downloaded again.
bool canUndo(const UndoRecord& record);

// Runs the program (no shell) with standard output and error in one pipe. Status -1 with the
// system's description of the failure when it cannot start.
ProcessOutput runProcess(const std::string& executable, const std::vector<std::string>& arguments);

// Linux has no cloud file states to read: every file is `notInCloud`.
CloudItemState liveCloudState(const std::string& path);

// Names for messages, in curly quotes: "" for none, “a”, “a” and “b”, “a”, “b” and “c”, and
// from four on “a”, “b” and N more.
std::string list(const std::vector<std::string>& names);

struct ItemBytes {
    int64_t onDisk = 0; // allocated bytes, every copy counted
    int64_t unique = 0; // what deleting frees
};
// A folder measured by the scan walker, anything else from its own blocks; zeros when it
// cannot be examined.
ItemBytes measure(const std::string& path);

// The bytes deleting the path would free: `measure(path).unique`.
int64_t uniqueBytes(const std::string& path);

// The first of the paths that lies on the file system of the folder `drive` (see
// platform::onOneFileSystem): copying it there would free nothing. Nothing when none does.
std::optional<std::string> onTheSameDisk(const std::string& drive,
                                         const std::vector<std::string>& paths);

// Whether `path` is `folder` or lies inside it, comparing texts.
bool isInside(std::string_view path, std::string_view folder);

// Where an archive rebuilds the path: below the home folder for paths inside it, else the
// whole path without its leading "/".
std::string relativePath(std::string_view path, std::string_view home);

// The path when nothing is there, else the first free of "name 2.ext", "name 3.ext"…
// ("name 2" without an extension).
std::string freeName(const std::string& path);

// Whether two entries hold the same thing, links never followed: regular files of the same
// length and SHA-256 digest, links with the same target, folders with the same names holding
// identical entries, and any two other entries of one type. Anything that cannot be read is
// never identical, so an unverified copy never passes.
bool identical(const std::string& a, const std::string& b);

struct LocalFile {
    std::string path;
    int64_t allocated = 0; // blocks × 512
    bool operator==(const LocalFile&) const = default;
};
// The regular files with data blocks at or under the path: the file itself, or every file
// beneath a folder. Files kept only in the cloud have no blocks and are left out.
std::vector<LocalFile> localFiles(const std::string& path);

} // namespace tavelin::Executor
