#include "advisor/reclaim/Toolchains.h"

#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <set>

namespace tavelin::Toolchains {
namespace {

// The lines that say something: trimmed, neither empty nor comments.
std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> found;
    for (std::string_view line : pieces(text, '\n'))
        if (line = trimmed(line); !line.empty() && !line.starts_with('#'))
            found.push_back(line);
    return found;
}

std::string_view unquoted(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// The TOML line `key = "value"`: its key and value, quotes taken off both.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return std::pair{unquoted(line.substr(0, equals)), unquoted(line.substr(equals + 1))};
}

// The keys and values of the TOML text's `table` ("" for the top, before any "[table]").
std::vector<std::pair<std::string, std::string>> entries(std::string_view text,
                                                         std::string_view table) {
    std::vector<std::pair<std::string, std::string>> found;
    std::string_view current;
    for (std::string_view line : lines(text)) {
        if (line.starts_with('[')) {
            current = trimmed(line.substr(1, line.find(']') - 1));
            continue;
        }
        if (auto pair = keyValue(line); pair && current == table && !pair->second.empty())
            found.emplace_back(pair->first, pair->second);
    }
    return found;
}

// The value of `key` in `table`.
std::optional<std::string> value(std::string_view text, std::string_view table,
                                 std::string_view key) {
    for (auto& [name, found] : entries(text, table))
        if (name == key)
            return found;
    return std::nullopt;
}

// A rust-toolchain file is TOML with a [toolchain] table, or, in its older form, the name alone.
std::optional<std::string> rustPin(std::string_view text) {
    if (text.find("[toolchain]") != std::string_view::npos)
        return value(text, "toolchain", "channel");
    auto found = lines(text);
    return found.empty() ? std::nullopt : std::optional(std::string(found.front()));
}

void readRustup(std::string_view home, const std::vector<std::string>& folders,
                const AdvisorContext::ReadFile& readFile, InUse& inUse) {
    if (auto settings = readFile(joinPath(home, ".rustup/settings.toml"))) {
        if (auto name = value(*settings, "", "default_toolchain"))
            inUse.defaults.push_back(*name);
        for (auto& [folder, name] : entries(*settings, "overrides"))
            inUse.pins.emplace_back(name, lastPathComponent(folder));
    }
    for (const std::string& folder : folders) {
        auto text = readFile(joinPath(folder, "rust-toolchain.toml"));
        if (!text)
            text = readFile(joinPath(folder, "rust-toolchain"));
        if (auto name = text ? rustPin(*text) : std::nullopt)
            inUse.pins.emplace_back(*name, lastPathComponent(folder));
    }
}

void addPyenvNames(std::string_view text, std::vector<std::string>& into) {
    for (std::string_view line : lines(text))
        into.emplace_back(line);
}

void readPyenv(std::string_view home, const std::vector<std::string>& folders,
               const AdvisorContext::ReadFile& readFile, InUse& inUse) {
    if (auto global = readFile(joinPath(home, ".pyenv/version")))
        addPyenvNames(*global, inUse.defaults);
    for (const std::string& folder : folders) {
        auto text = readFile(joinPath(folder, ".python-version"));
        if (!text)
            continue;
        std::vector<std::string> names;
        addPyenvNames(*text, names);
        // The home folder's own pin reaches every folder that has none: it acts as the default.
        for (std::string& name : names)
            if (folder == home)
                inUse.defaults.push_back(std::move(name));
            else
                inUse.pins.emplace_back(std::move(name), lastPathComponent(folder));
    }
}

bool isDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

bool matches(Manager manager, std::string_view installed, std::string_view wanted) {
    if (wanted.empty())
        return false;
    if (installed == wanted)
        return true;
    if (installed.size() <= wanted.size() || !installed.starts_with(wanted))
        return false;
    std::string_view rest = installed.substr(wanted.size());
    if (manager == Manager::pyenv)
        return rest.starts_with('.');
    // "nightly" names "nightly-x86_64-…", not the dated "nightly-2024-05-01-x86_64-…".
    return rest.starts_with('-') && !isDigits(rest.substr(1, rest.find('-', 1) - 1));
}

} // namespace

InUse read(Manager manager, std::string_view home, const std::vector<std::string>& projectFolders,
           const AdvisorContext::ReadFile& readFile) {
    InUse inUse;
    if (manager == Manager::rustup)
        readRustup(home, projectFolders, readFile, inUse);
    else
        readPyenv(home, projectFolders, readFile, inUse);
    return inUse;
}

std::optional<std::string> reason(Manager manager, std::string_view name, const InUse& inUse) {
    auto uses = [&](const std::string& wanted) { return matches(manager, name, wanted); };
    if (std::ranges::any_of(inUse.defaults, uses))
        return manager == Manager::rustup ? "rustup’s default toolchain" : "pyenv’s global version";
    std::set<std::string> projects;
    for (const auto& [wanted, project] : inUse.pins)
        if (uses(wanted))
            projects.insert(project);
    if (projects.empty())
        return std::nullopt;
    return "Used by " + listText({projects.begin(), projects.end()});
}

} // namespace tavelin::Toolchains
