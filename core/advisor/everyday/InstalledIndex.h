#pragma once

// Matches installer file names ("Widget-Pro-2.3.1-universal.dmg", "vlc_3.0.20_amd64.deb") to
// the applications installed here, so that an installer whose app is already installed can be
// offered as something downloaded again if ever needed.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavelin {

class InstalledIndex {
public:
    // Built from the names and identifiers of the installed apps, in sorted order. A text
    // without spaces made of at least three non-empty dot-separated pieces is an identifier
    // ("org.videolan.VLC") and is keyed by its last piece, without a name to show; any other
    // text is keyed whole and is its own name.
    explicit InstalledIndex(const std::unordered_set<std::string>& installed);

    // The text lower-cased with everything but letters and digits (of any script) dropped.
    static std::string key(std::string_view text);

    // The words of a file name that can name an app, in order and case: the name without its
    // extension ("tar.gz" and the like taken whole) split at everything but letters and
    // digits, without words that begin with a digit, versions ("v2"), and the noise words of
    // InstallersDetector::kNoise.
    static std::vector<std::string> appWords(std::string_view fileName);

    // The installed app a file name names: the words' key must have at least three characters
    // and equal an app's key, or, when the shorter of the two has at least four, one must
    // begin with the other. The first such app with a name to show gives it; when only
    // identifiers match, the file's words joined by spaces; nothing when none matches.
    std::optional<std::string> match(std::string_view fileName) const;

private:
    struct Entry {
        std::string key;
        std::optional<std::string> name;
    };
    std::vector<Entry> entries_;
};

} // namespace tavelin
