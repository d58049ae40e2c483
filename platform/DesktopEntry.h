#pragma once

// Desktop entries: the "*.desktop" files through which Linux desktops know the installed
// applications, read from the "applications" folder of each data folder (the user's first).
// Values are the file's bytes with the format's escapes undone; callers that show them check
// their encoding.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

struct DesktopEntry {
    // The desktop file id without ".desktop": the path below "applications" with "/" as "-".
    std::string id{};
    std::string file{}; // where it was read
    std::string name{}; // Name= (not a translation)
    // Exec= as words: quoting and escapes undone, field codes such as %U and %f removed.
    std::vector<std::string> exec{};
    std::string tryExec{};       // TryExec=: a program that must exist for the entry to count
    std::string workingFolder{}; // Path=
    std::string icon{};          // Icon=: a name in the icon theme, or an absolute path
    bool hidden = false;         // Hidden=true: the entry counts as deleted
    bool noDisplay = false;      // NoDisplay=true: not shown in menus

    bool operator==(const DesktopEntry&) const = default;

    // The [Desktop Entry] group of an application's entry (Type=Application); nothing for other
    // types, a text without that group or without a Name, or an Exec= whose quoting is broken.
    // `id` and `file` are left empty.
    static std::optional<DesktopEntry> parse(std::string_view text);

    // The words of an Exec= value (after the string escapes \s, \n, \t, \r and \\ are undone):
    // split at spaces, double-quoted words taken whole with \" \` \$ and \\ undone, field codes
    // dropped (a word that is only a field code disappears) and "%%" read as "%". Nothing when
    // a quote is never closed.
    static std::optional<std::vector<std::string>> execWords(std::string_view value);
};

} // namespace tavelin::platform
