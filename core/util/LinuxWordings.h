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
    {"Your Mac will run out of space ", "Your computer will run out of space "},
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
