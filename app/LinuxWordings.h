#pragma once

// Texts that, as first written, name something a Linux user cannot find: macOS, Finder, Full
// Disk Access, Time Machine. Each reads here as the same sentence with the Linux counterpart
// put in ("the system", "the file manager", "access to protected folders", "btrfs snapshots"),
// beside the wording it replaces so the two can be compared. These are the only places such
// names appear in what the interface shows; "%1" stands for an item's name.

#include <QString>

namespace tavelin {

struct Wording {
    const char* replaced;
    const char* onLinux;

    QString text() const { return QString::fromUtf8(onLinux); }
    // The text with "%1" replaced by a name; a "%" inside the name stays as it is.
    QString text(const QString& name) const { return text().arg(name); }
};

namespace LinuxWordings {

inline constexpr Wording showInFileManager{"Show in Finder", "Show in File Manager"};
inline constexpr Wording smallFilesOneByOne{
    "To see them one by one, show the folder in Finder.",
    "To see them one by one, show the folder in the file manager."};

// The used space no folder accounts for.
inline constexpr Wording remainderHelp{
    "Used space not found in any folder: macOS, snapshots, swap and unreadable folders. Click "
    "for details.",
    "Used space not found in any folder: the system, snapshots, swap and unreadable folders. "
    "Click for details."};
inline constexpr Wording remainderStatus{
    ": macOS, snapshots, and folders that couldn’t be read",
    ": the system, snapshots, and folders that couldn’t be read"};
inline constexpr Wording remainderSystem{
    "macOS itself, on its sealed system volume",
    "The system’s reserved blocks and the file system’s own records"};
inline constexpr Wording remainderSnapshots{"Local Time Machine snapshots",
                                            "Local btrfs snapshots"};
inline constexpr Wording remainderSharing{
    "Swap, sleep image and recovery volumes that share the disk",
    "Swap and subvolumes mounted elsewhere that share the disk"};

// Folders left out because reading them needs a permission the scan does not have.
inline constexpr Wording skippedHelp{
    "Skipped: macOS protects this folder. Click to allow Full Disk Access.",
    "Skipped: the system protects this folder. Click to allow access to protected folders."};
inline constexpr Wording skippedStatus{" — skipped, needs Full Disk Access",
                                       " — skipped, needs access to protected folders"};
inline constexpr Wording skippedExplained{
    "macOS protects “%1”. Without Full Disk Access, reading it would make macOS ask you for "
    "permission, so Tavelin left it out of this scan.",
    "The system protects “%1”. Without access to protected folders, reading it would make the "
    "system ask you for permission, so Tavelin left it out of this scan."};
inline constexpr Wording accessOffered{
    "Full Disk Access lets Tavelin include protected folders.",
    "Access to protected folders lets Tavelin include them in the scan."};
inline constexpr Wording allowAccess{"Allow Full Disk Access…",
                                     "Allow Access to Protected Folders…"};
inline constexpr Wording unreadableFolder{"Tavelin needs Full Disk Access to look inside “%1”.",
                                          "Tavelin needs permission to look inside “%1”."};

// The Disk tab before a whole-disk scan.
inline constexpr Wording diskPlaceholder{
    "This shows where a disk’s space goes beyond your files: macOS, snapshots, swap and "
    "recovery. Pick a disk in the sidebar.",
    "This shows where a disk’s space goes beyond your files: the system, snapshots, swap and "
    "recovery. Pick a disk in the sidebar."};

// The explanation of shared space; <b> marks the words set in bold.
inline constexpr Wording clonesIntroduced{
    "On a Mac, a copied file is often a <b>clone</b>: the copy and the original share the same "
    "data on disk until one of them changes. Finder, Xcode, Unity and many other tools make "
    "clones.",
    "On btrfs and XFS, a copied file is often a <b>clone</b>: the copy and the original share "
    "the same data on disk until one of them changes. cp, the file manager and many other tools "
    "make clones."};
inline constexpr Wording snapshotsKeepDeleted{
    "Time Machine’s local snapshots can keep deleted files for up to a day, so the space may "
    "come back a little later.",
    "Local btrfs snapshots can keep deleted files for a while, so the space may come back a "
    "little later."};

} // namespace LinuxWordings
} // namespace tavelin
