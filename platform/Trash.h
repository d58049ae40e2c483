#pragma once

// The freedesktop.org Trash: items move into a Trash on their own file system, each with an
// info file that records where it came from and when, so the desktop's file manager can list
// and restore it too. Nothing is ever copied across file systems or deleted in place of a
// move: an item no Trash can take stays where it is.
//
// Layout: a Trash folder holds `files/` (the items, under names free in that Trash) and `info/`
// (NAME.trashinfo for each item). The home Trash is in the user's data folder; an item on
// another file system goes to the Trash at the top of its mount.

#include "platform/FileFacts.h"
#include "platform/FileIdentity.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::platform {

// The home Trash folder: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::string homeTrash();

// Where a disk keeps the user's Trash, relative to the top folder of its mount or btrfs
// subvolume: ".Trash/$uid" (in a shared sticky ".Trash") and ".Trash-$uid".
std::vector<std::string> topTrashFolders();

// One item of a Trash: its entry in `files/` and what the Trash records about it.
struct TrashItem {
    std::string name;     // the entry's name in `files/`
    std::string path;     // the entry's path
    std::string infoFile; // its `info/NAME.trashinfo`; empty when the Trash has none
    FileId id;            // the entry's device and inode: an entry put there later differs
    // Its birth time where the file system keeps one (else zero): an entry put there later that
    // was given the inode number of one deleted meanwhile differs too.
    FileTime born{};
    // Allocated bytes of the entry, of everything inside it and of its info file: what erasing
    // it frees. Each file counts once however many names it has, and nothing on another mount.
    int64_t bytes = 0;
    bool operator==(const TrashItem&) const = default;
};

// The items of the Trash folder `trash` (the folder holding `files/` and `info/`), in no
// particular order: every entry of `files/`. Nothing when `files/` cannot be listed; an empty
// list for a Trash that was used and emptied. Info files whose entry is gone are no items.
[[nodiscard]] std::optional<std::vector<TrashItem>> trashItems(const std::string& trash);

struct TrashOutcome {
    std::string trashed; // the item's path inside `files/`; empty on failure
    int error = 0;       // the system's error number on failure
};

// Moves the item at `path` (a symbolic link itself, never its target) into a Trash on the same
// mount and file system, recorded as deleted at `deletedAt` (local time in the info file):
// - the home Trash when it lies there (made when missing), and no other;
// - else $topdir/.Trash/$uid, when $topdir/.Trash is a sticky folder and not a link, where
//   $topdir is the highest folder above the item on the same mount and device;
// - else $topdir/.Trash-$uid, created with mode 0700 when missing, used only when it is a
//   folder of the user's own and not a link.
// The info file is created first, exclusively, under a name free in both `files/` and `info/`;
// then the item is renamed into `files/`, never over anything. A failed rename removes the info
// file again. A mount point cannot be moved (EBUSY); without a usable Trash the error is that
// of the last Trash tried.
[[nodiscard]] TrashOutcome moveToTrash(const std::string& path,
                                       std::chrono::system_clock::time_point deletedAt);

// Deletes a listed item of a Trash for good, with everything inside it, then its info file and
// its line in the Trash's "directorysizes" cache, but only while its name still holds the item
// that was listed: ESTALE when another entry has the name now, ENOENT when none has (nothing is
// touched then). Otherwise 0, or the error that stopped the removal, in which case the info
// file stays.
[[nodiscard]] int eraseFromTrash(const TrashItem& item);

// Where the item at `trashed`, in a Trash's `files/` folder, came from: the absolute path its
// info file records (a path relative to the top of a disk's own Trash made absolute again).
// Nothing when it is not in a Trash's `files/` folder or its info file cannot be read.
std::optional<std::string> trashedFrom(const std::string& trashed);

// Moves a trashed item back to `original`, only when nothing is there (EEXIST otherwise), then
// drops its info file and directorysizes line when it sat in a Trash's `files/` folder. The
// original's folder must exist. Returns 0 or the system's error number.
[[nodiscard]] int restoreFromTrash(const std::string& trashed, const std::string& original);

// The path as an info file's Path= value: every byte but ASCII letters, digits and "-._~/"
// percent-encoded, so newlines, "%" and invalid UTF-8 survive the round trip.
std::string trashInfoPath(const std::string& path);

} // namespace tavelin::platform
