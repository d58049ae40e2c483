#pragma once

// Texts that name something only a Mac has (macOS, Finder, Full Disk Access, Time Machine,
// System Settings, APFS containers, "your Mac"), each beside the sentence a Linux user reads in
// its place: same voice, about the same length, with the Linux counterpart put in. Code writes
// the original text through `linuxWording`, so every replacement is listed here, the one place
// where the two can be compared. "%1" stands for an item's name.

#include <string_view>

namespace tavelin {

struct LinuxWording {
    std::string_view original;
    std::string_view replacement;
};

inline constexpr LinuxWording kLinuxWordings[] = {
    // Cloud folders.
    {"Removing the downloaded copy frees the space on this Mac; ",
     "Removing the downloaded copy frees the space on this computer; "},
    // Linux sync clients cannot make files online-only, so the cloud banner and cell keep only
    // what holds there: the files take space here, and deleting them here deletes them there.
    // "%1" is the provider, "%2" the item's size.
    {"Make things online-only to free that space and keep them in %1. Deleting them here "
     "deletes them from %1 too.",
     "Deleting them here deletes them from %1 too."},
    {". Making it online-only frees up to %2 on this Mac and keeps it in %1; it downloads again "
     "when opened. Deleting it here would delete it from %1 too.",
     ". It takes %2 here and in %1. Deleting it here would delete it from %1 too."},

    // Free-space warnings and their settings. Linux users speak of the system disk, the one
    // the system runs from, not of a startup disk.
    {"Your Mac will run out of space ", "Your computer will run out of space "},
    {"A notification when your startup disk is about to run out, is nearly full, or suddenly "
     "loses a lot of space. Rare: at most one a day of each.",
     "A notification when your system disk is about to run out, is nearly full, or suddenly "
     "loses a lot of space. Rare: at most one a day of each."},
    {"Notifications for Tavelin are turned off in System Settings.",
     "Notifications for Tavelin are unavailable on this desktop."},
    {"Open System Settings…", "Open Notification Settings…"},
    // The tray stands for the menu bar.
    {"Show free space in the menu bar", "Show free space in the system tray"},
    {"Warns with a triangle when your startup disk has less than 10% free (at most 50 GB). "
     "Tavelin keeps running in the menu bar while it’s on.",
     "Warns with a triangle when your system disk has less than 10% free (at most 50 GB). "
     "Tavelin keeps running in the system tray while it’s on."},

    // The everyday suggestions' sentences, in the pieces that lie between names and figures.
    {" is already on this Mac; the developer's website has the ",
     " is already on this computer; the developer's website has the "},
    // Desktops save screen recordings in Videos, which is searched too.
    {" old, from your Desktop, Documents, Downloads and Pictures.",
     " old, from your Desktop, Documents, Downloads, Pictures and Videos."},
    {" has never been opened on this Mac as far as Spotlight knows.",
     " has never been opened on this computer as far as the system knows."},
    // Followed by the Flatpak remote the app came from.
    {"free to download again from the App Store", "free to download again from "},
    {" smaller versions on this Mac.", " smaller versions on this computer."},

    // Applying suggestions: the computer's name when it has none, files waiting for their upload,
    // and tools, which the sandboxed build never runs.
    {"this Mac", "this computer"},
    {" stayed on this Mac because ", " stayed on this computer because "},
    {" and stay on this Mac for now.", " and stay on this computer for now."},
    {"Not available in the App Store version", "Not available in the sandboxed version"},

    // Items and the file manager. File managers call a quick look at a file its preview.
    {"Show in Finder", "Show in File Manager"},
    {"Quick Look", "Preview"},
    {"Show Project in Finder", "Show Project in File Manager"},
    {"Around your Mac", "Around your computer"},
    {"To see them one by one, show the folder in Finder.",
     "To see them one by one, show the folder in the file manager."},

    // The used space no folder accounts for.
    {"Used space not found in any folder: macOS, snapshots, swap and unreadable folders. Click "
     "for details.",
     "Used space not found in any folder: the system, snapshots, swap and unreadable folders. "
     "Click for details."},
    {": macOS, snapshots, and folders that couldn’t be read",
     ": the system, snapshots, and folders that couldn’t be read"},
    {"macOS itself, on its sealed system volume",
     "The system’s reserved blocks and the file system’s own records"},
    {"Local Time Machine snapshots", "Local btrfs snapshots"},
    {"Swap, sleep image and recovery volumes that share the disk",
     "Swap and subvolumes mounted elsewhere that share the disk"},

    // Folders left out because reading them needs a permission the scan does not have.
    {"Skipped: macOS protects this folder. Click to allow Full Disk Access.",
     "Skipped: the system protects this folder. Click to allow access to protected folders."},
    {" — skipped, needs Full Disk Access", " — skipped, needs access to protected folders"},
    {"macOS protects “%1”. Without Full Disk Access, reading it would make macOS ask you for "
     "permission, so Tavelin left it out of this scan.",
     "The system protects “%1”. Without access to protected folders, reading it would make the "
     "system ask you for permission, so Tavelin left it out of this scan."},
    {"Full Disk Access lets Tavelin include protected folders.",
     "Access to protected folders lets Tavelin include them in the scan."},
    {"Allow Full Disk Access…", "Allow Access to Protected Folders…"},
    {"Allow Full Disk Access", "Allow Access to Protected Folders"},
    {"Allow Full Disk Access to include them. macOS then stops asking folder by folder.",
     "Allow access to protected folders to include them. The system then stops asking folder by "
     "folder."},
    {"Your Desktop, Documents, Downloads, iCloud Drive and other apps’ data are protected by "
     "macOS. With Full Disk Access, Tavelin can measure them without asking for each one.",
     "Some folders, such as other apps’ data, are protected by the system. With access to them, "
     "Tavelin can measure them without asking for each one."},
    // The access sheet's steps; <b> marks the words set in bold.
    // The desktop's settings program may be missing, and with it the button: the step names the
    // program itself.
    {"Click <b>Open System Settings</b>.", "Open your desktop’s <b>Settings</b>."},
    {"Turn on <b>Tavelin</b> in the list. If it isn’t there, drag the icon above into the list.",
     "Give <b>Tavelin</b> read access to the protected folders there, or ask the computer’s "
     "administrator."},
    {"Come back here. The scan starts as soon as access is on. If macOS offers <b>Quit &amp; "
     "Reopen</b>, choose it.",
     "Come back here. The scan starts as soon as access is on. If the system asks you to log out, "
     "do so and open Tavelin again."},
    {"Drag Tavelin into the Full Disk Access list", "Tavelin asks to read protected folders"},
    {"Open System Settings", "Open Settings"},
    {"Tavelin needs Full Disk Access to look inside “%1”.",
     "Tavelin needs permission to look inside “%1”."},
    // Asking a sandboxed process's way into a folder; the grant is kept in Tavelin's settings.
    {", Tavelin needs your permission. Click Allow. macOS remembers it, so you’re asked once.",
     ", Tavelin needs your permission. Click Allow. Tavelin remembers it, so you’re asked once."},

    // The explanation of shared space; <b> marks the words set in bold.
    {"On a Mac, a copied file is often a <b>clone</b>: the copy and the original share the same "
     "data on disk until one of them changes. Finder, Xcode, Unity and many other tools make "
     "clones.",
     "On btrfs and XFS, a copied file is often a <b>clone</b>: the copy and the original share "
     "the same data on disk until one of them changes. cp, the file manager and many other tools "
     "make clones."},
    {"Time Machine’s local snapshots can keep deleted files for up to a day, so the space may "
     "come back a little later.",
     "Local btrfs snapshots can keep deleted files for a while, so the space may come back a "
     "little later."},

    // The Disk tab. Volume labels go around the volume's name: "macOS (" name ")".
    {"This shows where a disk’s space goes beyond your files: macOS, snapshots, swap and "
     "recovery. Pick a disk in the sidebar.",
     "This shows where a disk’s space goes beyond your files: the system, snapshots, swap and "
     "boot files. Pick a disk in the sidebar."},
    {"macOS and system", "System and disk"},
    {"macOS and the disk itself", "The system and the disk itself"},
    {" Time Machine snapshot", " btrfs snapshot"},
    {". They hold on to files deleted since then; macOS doesn’t report how much.",
     ". They hold on to files deleted since then; the system doesn’t report how much."},
    {"None. Time Machine keeps hourly snapshots on this disk between backups, for up to 24 "
     "hours.",
     "None. Snapper and backup tools keep btrfs snapshots on this disk, often hourly or before "
     "updates."},
    {"Delete local Time Machine snapshots?", "Delete local btrfs snapshots?"},
    {"Your backups on the backup disk aren’t affected. You lose the local copies Time Machine "
     "keeps between backups.",
     "Your backups on the backup disk aren’t affected. You lose the local copies your snapshot "
     "tool keeps between backups."},
    {"Freed by macOS when space runs low", "Freed by the system when space runs low"},
    {"Free in this container", "Free on this disk"},
    // A Linux disk holds one file system with the user's files, not a data volume among others.
    {"Data volume in use", "In use on this file system"},
    {"macOS (", "Linux ("},
    {"Swap and sleep image", "Swap"},
    {"Boot files (Preboot)", "Boot files ("},

    // The agent report and its hand-off: terminal agents run in the user's own terminal.
    {"I use Tavelin to see what's taking space on my Mac. ",
     "I use Tavelin to see what's taking space on my computer. "},
    {"Sizes are space on disk; “frees” is what deleting would give back (APFS clones share data, "
     "so it can be less). Names, sizes and dates only; nothing was read from inside files.",
     "Sizes are space on disk; “frees” is what deleting would give back (btrfs and XFS clones "
     "share data, so it can be less). Names, sizes and dates only; nothing was read from inside "
     "files."},
    {"In Terminal · asks before changing anything",
     "In a terminal · asks before changing anything"},
    {"Opens in Terminal. Looks through your folders itself and asks before changing anything.",
     "Opens in a terminal. Looks through your folders itself and asks before changing anything."},
    {"On your Mac · recommended", "On your computer · recommended"},
    {"No AI agents found on this Mac. Copy the report and paste it into any AI chat.",
     "No AI agents found on this computer. Copy the report and paste it into any AI chat."},
    {"Send this scan to Claude, Codex or Grok on your Mac. They can look through your folders, "
     "suggest what to clear and how to organize the rest, and ask before changing anything.",
     "Send this scan to Claude, Codex or Grok on your computer. They can look through your "
     "folders, suggest what to clear and how to organize the rest, and ask before changing "
     "anything."},

    // Sizes as the desktops' own formatting writes them: GLib and KDE write no size as 0 bytes.
    {"Zero KB", "0 bytes"},
    // One name for one thing: the toolbar's help names the inspector's tabs as they are titled,
    // and the settings are called what their window is called, as GNOME and KDE apps do.
    {"Show or hide Reclaim, Changes, Disk and Kinds",
     "Show or hide Advisor, Changes, Disk and Kinds"},
    {"Preferences…", "Settings…"},
};

// The Linux text for an original listed above; any other text fails to compile.
consteval std::string_view linuxWording(std::string_view original) {
    for (const LinuxWording& wording : kLinuxWordings)
        if (wording.original == original)
            return wording.replacement;
    throw "a text without a Linux wording";
}

} // namespace tavelin
