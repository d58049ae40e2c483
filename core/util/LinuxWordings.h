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
    {"this Mac", "this computer"},
    {" stayed on this Mac because ", " stayed on this computer because "},
    {" and stay on this Mac for now.", " and stay on this computer for now."},
    {"Not available in the App Store version", "Not available in the sandboxed version"},
    {"Notifications for Tavelin are turned off in System Settings.",
     "Notifications for Tavelin are unavailable on this desktop."},
    {"Open System Settings…", "Open Notification Settings…"},
};

// The Linux text for an original listed above; any other text fails to compile.
consteval std::string_view linuxWording(std::string_view original) {
    for (const LinuxWording& wording : kLinuxWordings)
        if (wording.original == original)
            return wording.replacement;
    throw "a text without a Linux wording";
}

} // namespace tavelin
