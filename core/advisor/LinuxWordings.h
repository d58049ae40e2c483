#pragma once

// The advisor's texts whose usual wording names something a Linux user cannot find (this
// Mac, Spotlight, the App Store) or a place where Linux keeps things elsewhere, each beside
// the wording used here, so the two can be compared. The detectors use `here`; these are
// pieces of sentences, joined with names and figures where the detector builds its text.

#include <string_view>

namespace tavelin::LinuxWordings {

struct Wording {
    std::string_view elsewhere; // the wording on a Mac
    std::string_view here;      // the wording on Linux
};

// An installer whose app is installed: "The package you installed Foo from. Foo" + this.
inline constexpr Wording kAlreadyInstalled{
    " is already on this Mac; the developer's website has the ",
    " is already on this computer; the developer's website has the ",
};

// Screen recordings: GNOME and KDE keep theirs in Videos.
inline constexpr Wording kScreenshotFolders{
    " old, from your Desktop, Documents, Downloads and Pictures.",
    " old, from your Desktop, Documents, Downloads, Pictures and Videos.",
};

// An app with no last-used date: the name, then this.
inline constexpr Wording kNeverOpened{
    " has never been opened on this Mac as far as Spotlight knows.",
    " has never been opened on this computer as far as the system knows.",
};

// Where an unused app can be had again: the Flatpak remote it came from, not the App Store.
inline constexpr Wording kDownloadAgain{
    "free to download again from the App Store",
    "free to download again from ",
};

// The Photos library guide: the smaller copies stay on this computer.
inline constexpr Wording kSmallerVersions{
    " smaller versions on this Mac.",
    " smaller versions on this computer.",
};

} // namespace tavelin::LinuxWordings
