#pragma once

// What the everyday detectors share: the name sets they sort the user's files by, how they date
// and describe an item, and how much the user is likely to value it. These detectors look at
// the user's own things rather than caches, so most of their suggestions are "Your call".

#include "advisor/AdvisorContext.h"
#include "scan/Node.h"
#include "util/Dates.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin::Everyday {

// Folders that are single documents to the user (libraries, bundles, virtual machines): never
// entered, never searched for files.
inline constexpr std::array<std::string_view, 26> kPackages{
    "app",          "photoslibrary", "photolibrary", "musiclibrary", "tvlibrary", "imovielibrary",
    "fcpbundle",    "logicx",        "band",         "aplibrary",    "xcarchive", "bundle",
    "framework",    "plugin",        "kext",         "utm",          "pvm",       "vmwarevm",
    "sparsebundle", "xcodeproj",     "xcworkspace",  "playground",   "rtfd",      "pages",
    "numbers",      "key",
};
inline constexpr std::array<std::string_view, 14> kVideoExtensions{
    "mov", "mp4", "m4v",  "mkv", "avi",  "webm", "wmv",
    "flv", "mpg", "mpeg", "mts", "m2ts", "3gp",  "prores",
};
inline constexpr std::array<std::string_view, 8> kAudioExtensions{
    "wav", "aif", "aiff", "flac", "mp3", "m4a", "caf", "alac",
};
inline constexpr std::array<std::string_view, 10> kDiskImageExtensions{
    "dmg", "iso", "img", "sparseimage", "vhd", "vhdx", "vmdk", "qcow2", "toast", "cdr",
};
inline constexpr std::array<std::string_view, 9> kArchiveExtensions{
    "zip", "xip", "tar", "gz", "tgz", "bz2", "xz", "7z", "rar",
};
// How screenshot tools begin their files' names (compared case by case). "Screenshot" covers
// GNOME's "Screenshot from …" (later "Screenshot From …") and the "Screenshot_…" of Spectacle
// and Xfce; recordings are GNOME's "Screencast from …" or "Screencast From …" and Spectacle's
// "Screencast_…".
inline constexpr std::array<std::string_view, 7> kScreenshotPrefixes{
    "Screenshot",       "Screen Shot",      "Screen Recording", "CleanShot",
    "Screencast from ", "Screencast From ", "Screencast_",
};

template <size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::ranges::find(names, name) != names.end();
}

// The lower-cased text after the name's last dot; "" when there is none or the dot begins the
// name (".profile").
std::string extension(std::string_view name);

bool hasScreenshotPrefix(std::string_view name);

// The newest modification date of the node and everything below it.
Date newestModification(const Node& node);

struct Touch {
    Date date;                  // the later of `opened` and the newest modification
    std::optional<Date> opened; // the context's last-used date of the item
};
Touch lastTouched(const Node& node, const AdvisorContext& context);

// An age in words: "1 day" to "13 days", "2 weeks" to "8 weeks", "2 months" to "24 months",
// then "2 years" and on. Under a day reads as one day.
std::string span(int days);

// "today" under a day, else span(days) + " ago".
std::string agePhrase(int days);

// The month of `date` in the local calendar, "March" in the year of `now`, else "March 2024".
std::string month(Date date, Date now);

// The path below the home folder (either form of it), or nothing outside it or for the home
// folder itself.
std::optional<std::string> homeRelative(std::string_view path, const AdvisorContext& context);

// The home folder's node in the tree, or nullptr.
Node* homeNode(const AdvisorContext& context);

// The node of one of the user's folders (a location of `AdvisorContext::userFolders`), or
// nullptr when the folder is turned off or not in the tree.
Node* userFolder(const AdvisorContext& context, const std::optional<std::string>& location);

// How much the user is likely to value an item, falling with age and size beyond the
// detector's thresholds: max(0.05, base − 0.06 × log2(max(days, D) ÷ max(D, 1)) − 0.03 ×
// log2(max(size, S) ÷ max(S, 1))).
double value(double base, int days, int minDays, int64_t size, int64_t minSize);

// Whether the path is one of the user's installed applications or holds one. Such items are
// the unused-apps detector's to judge, by when the app last ran.
bool holdsInstalledApp(std::string_view path,
                       const std::vector<platform::InstalledApp>& installedApps);

} // namespace tavelin::Everyday
