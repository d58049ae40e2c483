#pragma once

// Where the installed applications of a Linux desktop are found: the data folders whose
// "applications" folders hold desktop entries (Flatpak and Snap export folders included), the
// Flatpak installations, /opt, and the program search path. `live` reads them from the
// environment; tests point them at folders of their own.

#include "platform/DesktopEntry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

struct AppSources {
    std::string home{};
    // Folders holding "applications", in order of precedence: the user's data folder first.
    std::vector<std::string> dataFolders{};
    // Of those, the ones whose entries the user or the local administrator wrote, never a
    // system package: only their entries make a folder in /opt one of the user's apps.
    std::vector<std::string> localDataFolders{};
    std::string userFlatpak{};   // the user's Flatpak installation
    std::string systemFlatpak{}; // the system-wide one
    std::string optFolder = "/opt";
    std::vector<std::string> searchPath{}; // where programs named without a folder are found

    // The user's data folder ($XDG_DATA_HOME, else ".local/share" in `home`), then
    // $XDG_DATA_DIRS (else /usr/local/share and /usr/share), then the Flatpak and Snap export
    // folders not listed yet; the user's and system-wide Flatpak installations; $PATH.
    static AppSources live(std::string_view home);

    // The entries that count: for each desktop file id the first found along `dataFolders`
    // (folders below "applications" included, sorted by path), unless that one is hidden,
    // NoDisplay, or names a TryExec program that is missing. Unreadable or malformed files
    // count as absent, without hiding the same id further along.
    std::vector<DesktopEntry> desktopEntries() const;

    // The file a command word runs, with links resolved: a path as it is (relative ones below
    // `workingFolder`), a bare name through `searchPath`. Nothing unless that is an executable
    // regular file.
    std::optional<std::string> program(std::string_view word, std::string_view workingFolder) const;
};

} // namespace tavelin::platform
