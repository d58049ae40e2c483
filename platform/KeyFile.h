#pragma once

// The "key file" text format of desktop entries and Flatpak metadata: "[Group]" headers,
// "Key=Value" lines, "#" comments.

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tavelin::platform {

using KeyFileLines = std::vector<std::pair<std::string_view, std::string_view>>;

// The keys and values of the first group named `group`, in file order, each trimmed of blanks
// around it ("Key = Value" reads as "Key" and "Value"; a key with a locale reads as
// "Name[fr]"). Nothing when the text has no such group. The result points into `text`.
std::optional<KeyFileLines> keyFileGroup(std::string_view text, std::string_view group);

// The names of the text's groups, in file order ("Extension org.gnome.Platform.Locale" for a
// "[Extension org.gnome.Platform.Locale]" header). They point into `text`.
std::vector<std::string_view> keyFileGroupNames(std::string_view text);

} // namespace tavelin::platform
