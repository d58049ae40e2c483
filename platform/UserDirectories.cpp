#include "platform/UserDirectories.h"

#include "platform/Files.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <utility>

namespace tavelin::platform {
namespace {

using Field = std::optional<std::string> UserDirectories::*;

constexpr std::pair<std::string_view, Field> kNames[] = {
    {"XDG_DESKTOP_DIR", &UserDirectories::desktop},
    {"XDG_DOCUMENTS_DIR", &UserDirectories::documents},
    {"XDG_DOWNLOAD_DIR", &UserDirectories::downloads},
    {"XDG_PICTURES_DIR", &UserDirectories::pictures},
    {"XDG_VIDEOS_DIR", &UserDirectories::videos},
};

constexpr size_t kReadLimit = 64 << 10;

std::string normalized(std::string_view path) {
    std::string text = std::filesystem::path(path).lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Where an absolute folder lies, as a location: below the home folder relative to it, else
// absolute. The home folder and the folders above it are nobody's Downloads.
std::optional<std::string> location(std::string_view absolute, std::string_view home) {
    std::string path = normalized(absolute);
    std::string inside = home == "/" ? "/" : std::string(home) + "/";
    bool atOrAbove = path == home || path == "/" || home.starts_with(path + "/");
    if (atOrAbove)
        return std::nullopt;
    if (path.starts_with(inside))
        return path.substr(inside.size());
    return path;
}

std::string_view withoutLeadingBlanks(std::string_view line) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// The text between double quotes with backslash escapes undone; nothing when the value is not
// quoted or the quote is never closed.
std::optional<std::string> unquoted(std::string_view value) {
    if (!value.starts_with('"'))
        return std::nullopt;
    std::string text;
    for (size_t i = 1; i < value.size(); ++i) {
        if (value[i] == '"')
            return text;
        if (value[i] == '\\' && ++i == value.size())
            break;
        text += value[i];
    }
    return std::nullopt;
}

// The absolute path of a value: "$HOME" and what follows it, or a path beginning with "/".
std::optional<std::string> expanded(std::string_view value, std::string_view home) {
    constexpr std::string_view kHome = "$HOME";
    if (value.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (value.starts_with(kHome)) {
        std::string_view rest = value.substr(kHome.size());
        if (!rest.empty() && !rest.starts_with('/'))
            return std::nullopt;
        return std::string(home) + "/" + std::string(rest);
    }
    if (value.starts_with('/'))
        return std::string(value);
    return std::nullopt;
}

// A folder that is a symbolic link stands for where it leads: that is where its files are
// found in a scan, which never follows links.
std::optional<std::string> resolved(const std::string& folder, std::string_view home) {
    std::string path = folder.starts_with('/') ? folder : std::string(home) + "/" + folder;
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return folder;
    std::error_code error;
    auto target = std::filesystem::canonical(path, error);
    if (error)
        return folder;
    auto realHome = std::filesystem::canonical(std::string(home), error);
    return location(target.string(), error ? std::string(home) : realHome.string());
}

} // namespace

UserDirectories parseUserDirectories(std::string_view text, std::string_view home) {
    std::string base = normalized(home);
    UserDirectories folders;
    while (!text.empty()) {
        size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = withoutLeadingBlanks(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos)
            continue;
        for (const auto& [name, field] : kNames) {
            if (line.substr(0, equals) != name)
                continue;
            auto value = unquoted(line.substr(equals + 1));
            auto path = value ? expanded(*value, base) : std::nullopt;
            if (path)
                folders.*field = location(*path, base);
        }
    }
    return folders;
}

UserDirectories readUserDirectories(std::string_view home) {
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    std::string config = configured && configured[0] == '/' ? std::string(configured)
                                                            : std::string(home) + "/.config";
    auto text = readRegularFile((config + "/user-dirs.dirs").c_str(), kReadLimit);
    UserDirectories folders = text ? parseUserDirectories(*text, home) : UserDirectories{};
    std::string base = normalized(home);
    for (const auto& [name, field] : kNames)
        if (auto& folder = folders.*field)
            folder = resolved(*folder, base);
    return folders;
}

} // namespace tavelin::platform
