#pragma once

// Applications the user installed themselves and can remove as one item: Flatpak apps, which
// Flatpak uninstalls; AppImage files in the home folder; and folders in /opt that the user's own
// desktop entries run and that the user may remove. Apps of system packages are never among
// them: the package manager removes those.

#include "platform/AppSources.h"

#include <string>
#include <vector>

namespace tavelin::platform {

struct InstalledApp {
    enum class Kind { flatpak, appImage, optFolder };

    Kind kind = Kind::appImage;
    std::string name{}; // Name= of its desktop entry, else taken from its id or file name
    std::string id{};   // the Flatpak application id, else the desktop file id ("" without one)
    std::string path{}; // what removing it takes away: the Flatpak app folder, the file, the folder
    // Its main program, links resolved, whose access time tells when it last ran; "" unknown.
    std::string executable{};
    // The user's own desktop entry for it (in the user's data folder), which goes with it; "".
    std::string desktopEntry{};
    std::string origin{}; // Flatpak: the remote it was installed from; "" when unknown
    // Flatpak: the command that uninstalls it, program first (pkexec for a system-wide app,
    // where there is one); empty for the others.
    std::vector<std::string> uninstall{};

    bool operator==(const InstalledApp&) const = default;

    // The apps found through `sources`, each path once: Flatpak apps (the user's, then
    // system-wide ones; only when the flatpak program is there to uninstall them), then the
    // AppImages and /opt folders that desktop entries run, in entry order, then AppImages
    // directly in ~/Applications that no entry runs. Links to AppImages count by where they
    // lead, and only when that is in the home folder.
    static std::vector<InstalledApp> find(const AppSources& sources);
};

} // namespace tavelin::platform
