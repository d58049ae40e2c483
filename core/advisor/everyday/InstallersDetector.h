#pragma once

// Installers left in the Downloads folder: disk images, packages, app images, installer
// programs and archives. One whose app is installed here is the app's own installer, which the
// developer's site has again ("Rebuilt"); the others are the user's call once they are old.

#include "advisor/Detector.h"
#include "advisor/everyday/Everyday.h"

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

class InstallersDetector final : public Detector {
public:
    int64_t minSize = 1'000'000;
    int minDaysUnmatched = 30;

    // Extensions (lower-cased) of the files taken as installers whatever their name.
    static constexpr std::array<std::string_view, 12> kExtensions{
        "dmg", "pkg",      "mpkg",    "zip",        "xip",  "deb",
        "rpm", "appimage", "flatpak", "flatpakref", "snap", "run",
    };
    // Words of installer names that never name the app (platforms, architectures, builds).
    static constexpr std::array<std::string_view, 39> kNoise{
        "mac",     "macos",  "osx",      "darwin", "universal", "arm",     "arm64",  "aarch64",
        "x64",     "x86",    "amd64",    "intel",  "apple",     "silicon", "setup",  "installer",
        "install", "latest", "release",  "stable", "beta",      "full",    "signed", "notarized",
        "dmg",     "pkg",    "app",      "en",     "us",        "the",     "linux",  "x86_64",
        "deb",     "rpm",    "appimage", "all",    "noarch",    "i386",    "i686",
    };

    // What an installer is called in the texts ("disk image", "package"…), and whether the file
    // counts only when its name matches an installed app (compressed tar archives, which are
    // installers only then).
    struct Kind {
        std::string_view word;
        bool onlyWhenMatched = false;
        bool operator==(const Kind&) const = default;
    };
    // The kind of installer a file name says it is, or nothing.
    static std::optional<Kind> kind(std::string_view fileName);

    std::string id() const override { return "installers"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
