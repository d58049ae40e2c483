#include "platform/AppSources.h"

#include "platform/Account.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

constexpr size_t kEntryLimit = 1 << 20;
constexpr std::string_view kSuffix = ".desktop";

// The absolute folders of a colon-separated list; relative ones are invalid and skipped.
std::vector<std::string> absoluteFolders(const char* list, std::string_view fallback) {
    std::string_view text = list && *list ? std::string_view(list) : fallback;
    std::vector<std::string> folders;
    while (!text.empty()) {
        size_t colon = std::min(text.find(':'), text.size());
        std::string_view folder = text.substr(0, colon);
        text.remove_prefix(std::min(colon + 1, text.size()));
        if (folder.starts_with('/'))
            folders.emplace_back(folder);
    }
    return folders;
}

void appendMissing(std::vector<std::string>& folders, std::string folder) {
    if (std::ranges::find(folders, folder) == folders.end())
        folders.push_back(std::move(folder));
}

// The entry files below one "applications" folder, each with its desktop file id, by path.
std::vector<std::pair<std::string, std::string>> entryFiles(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                          error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        std::string name = walk->path().filename().string();
        std::error_code typeError;
        if (!name.ends_with(kSuffix) || !walk->is_regular_file(typeError))
            continue;
        std::string id = walk->path().lexically_relative(folder).string();
        id.resize(id.size() - kSuffix.size());
        std::ranges::replace(id, '/', '-');
        files.emplace_back(walk->path().string(), std::move(id));
    }
    std::ranges::sort(files);
    return files;
}

bool isExecutableFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

AppSources AppSources::live(std::string_view home) {
    AppSources sources;
    sources.home = std::string(home);
    std::string dataHome = dataHomeOverride().value_or(std::string(home) + "/.local/share");
    sources.dataFolders = {dataHome};
    for (std::string& folder :
         absoluteFolders(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share"))
        appendMissing(sources.dataFolders, std::move(folder));
    sources.userFlatpak = dataHome + "/flatpak";
    sources.systemFlatpak = "/var/lib/flatpak";
    appendMissing(sources.dataFolders, sources.userFlatpak + "/exports/share");
    appendMissing(sources.dataFolders, sources.systemFlatpak + "/exports/share");
    appendMissing(sources.dataFolders, "/var/lib/snapd/desktop");
    sources.localDataFolders = {dataHome, "/usr/local/share"};
    sources.searchPath = absoluteFolders(std::getenv("PATH"), "/usr/local/bin:/usr/bin:/bin");
    return sources;
}

std::vector<DesktopEntry> AppSources::desktopEntries() const {
    std::vector<DesktopEntry> entries;
    std::set<std::string> decided;
    for (const std::string& folder : dataFolders) {
        for (auto& [file, id] : entryFiles(fs::path(folder) / "applications")) {
            if (decided.contains(id))
                continue;
            auto text = readRegularFile(file.c_str(), kEntryLimit);
            auto entry = text ? DesktopEntry::parse(*text) : std::nullopt;
            if (!entry)
                continue;
            decided.insert(id);
            bool missing = !entry->tryExec.empty() && !program(entry->tryExec, "");
            if (entry->hidden || entry->noDisplay || missing)
                continue;
            entry->id = std::move(id);
            entry->file = std::move(file);
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::optional<std::string> AppSources::program(std::string_view word,
                                               std::string_view workingFolder) const {
    std::string path;
    if (word.starts_with('/'))
        path = std::string(word);
    else if (word.find('/') != std::string_view::npos && workingFolder.starts_with('/'))
        path = (fs::path(workingFolder) / word).string();
    else if (word.find('/') == std::string_view::npos && !word.empty())
        for (const std::string& folder : searchPath)
            if (std::string found = (fs::path(folder) / word).string(); isExecutableFile(found)) {
                path = found;
                break;
            }
    std::error_code error;
    auto real = path.empty() ? fs::path() : fs::canonical(path, error);
    if (path.empty() || error || !isExecutableFile(real.string()))
        return std::nullopt;
    return real.string();
}

} // namespace tavelin::platform
