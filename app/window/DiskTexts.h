#pragma once

// The Disk tab's texts that name things a Linux user cannot find (macOS, Time Machine, APFS
// containers, the Mac's volume roles), each beside the wording shown here in its place: the
// same sentence with the Linux counterpart put in. Texts true on Linux are used as they are,
// in DiskPane.cpp.

namespace tavelin::DiskTexts {

struct LinuxWording {
    const char* original;
    const char* shown;
};

inline constexpr LinuxWording kScanWholeDiskText{
    "This shows where a disk’s space goes beyond your files: macOS, snapshots, swap and "
    "recovery. Pick a disk in the sidebar.",
    "This shows where a disk’s space goes beyond your files: the system, snapshots, swap and "
    "boot files. Pick a disk in the sidebar."};
inline constexpr LinuxWording kSystemPart{"macOS and system", "System and disk"};
inline constexpr LinuxWording kSystemSection{"macOS and the disk itself",
                                             "The system and the disk itself"};
inline constexpr LinuxWording kSnapshotNoun{" Time Machine snapshot", " btrfs snapshot"};
inline constexpr LinuxWording kSnapshotsHold{
    ". They hold on to files deleted since then; macOS doesn’t report how much.",
    ". They hold on to files deleted since then; the system doesn’t report how much."};
inline constexpr LinuxWording kNoSnapshots{
    "None. Time Machine keeps hourly snapshots on this disk between backups, for up to 24 "
    "hours.",
    "None. Snapper and backup tools keep btrfs snapshots on this disk, often hourly or before "
    "updates."};
inline constexpr LinuxWording kConfirmTitle{"Delete local Time Machine snapshots?",
                                            "Delete local btrfs snapshots?"};
inline constexpr LinuxWording kConfirmMessage{
    "Your backups on the backup disk aren’t affected. You lose the local copies Time Machine "
    "keeps between backups.",
    "Your backups on the backup disk aren’t affected. You lose the local copies your snapshot "
    "tool keeps between backups."};
inline constexpr LinuxWording kPurgeableRow{"Freed by macOS when space runs low",
                                            "Freed by the system when space runs low"};
inline constexpr LinuxWording kFreeRow{"Free in this container", "Free on this disk"};
// Volume labels by first role; the label of the "System" and "Preboot" roles goes around the
// volume's name.
inline constexpr LinuxWording kSystemLabel{"macOS (", "Linux ("};
inline constexpr LinuxWording kSwapLabel{"Swap and sleep image", "Swap"};
inline constexpr LinuxWording kBootLabel{"Boot files (Preboot)", "Boot files ("};

} // namespace tavelin::DiskTexts
