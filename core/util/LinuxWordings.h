#pragma once

// Texts that name something only a Mac has, each beside the sentence a Linux user reads in its
// place: same voice, about the same length. Code writes the original text through
// `linuxWording`, so every replacement is listed here and can be compared with what it replaces.

#include <string_view>

namespace tavelin {

struct LinuxWording {
    std::string_view original;
    std::string_view replacement;
};

inline constexpr LinuxWording kLinuxWordings[] = {
    {"Removing the downloaded copy frees the space on this Mac; ",
     "Removing the downloaded copy frees the space on this computer; "},
    {"Your Mac will run out of space ", "Your computer will run out of space "},
    {"Notifications for Tavelin are turned off in System Settings.",
     "Notifications for Tavelin are unavailable on this desktop."},
    {"Open System Settings…", "Open Notification Settings…"},
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
};

// The Linux text for an original listed above; any other text fails to compile.
consteval std::string_view linuxWording(std::string_view original) {
    for (const LinuxWording& wording : kLinuxWordings)
        if (wording.original == original)
            return wording.replacement;
    throw "a text without a Linux wording";
}

} // namespace tavelin
