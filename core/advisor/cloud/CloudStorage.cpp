#include "advisor/cloud/CloudStorage.h"

#include "advisor/cloud/SyncClients.h"
#include "util/Paths.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace tavelin::CloudStorage {
namespace {

namespace fs = std::filesystem;

constexpr std::pair<std::string_view, std::string_view> kAppNames[] = {
    {"GoogleDrive", "Google Drive"},
    {"OneDrive", "OneDrive"},
    {"Dropbox", "Dropbox"},
    {"Box", "Box"},
    {"pCloudDrive", "pCloud"},
    {"pCloud", "pCloud"},
    {"Sync", "Sync"},
    {"MEGA", "MEGA"},
    {"SynologyDrive", "Synology Drive"},
    {"ProtonDrive", "Proton Drive"},
    {"Nextcloud", "Nextcloud"},
};

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

std::vector<std::string> folderNames(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (!name.starts_with('.') && it->is_directory(error))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::vector<CloudProvider> providers(const std::string& home) {
    std::vector<CloudProvider> found;
    std::string fileProviders = joinPath(home, "Library/CloudStorage");
    for (const std::string& name : folderNames(fileProviders))
        found.push_back({displayName(name), joinPath(fileProviders, name), false});
    std::string drive = joinPath(home, "Library/Mobile Documents/com~apple~CloudDocs");
    if (isFolder(drive))
        found.push_back({"iCloud Drive", drive, true});
    for (std::string_view name : kHomeSyncFolders) {
        std::string folder = joinPath(home, name);
        if (isFolder(folder))
            found.push_back({displayName(name), folder, false});
    }
    for (CloudProvider& client :
         SyncClients::folders(SyncClients::Places::of(home), platform::readMounts()))
        if (std::none_of(found.begin(), found.end(),
                         [&](const CloudProvider& known) { return known.root == client.root; }))
            found.push_back(std::move(client));
    return found;
}

std::string displayName(std::string_view folder) {
    size_t dash = folder.find('-');
    std::string_view app = folder.substr(0, dash);
    std::string_view account = dash == std::string_view::npos ? "" : folder.substr(dash + 1);
    if (app.empty()) {
        app = account;
        account = {};
    }
    if (app.empty())
        return std::string(folder); // "-": no piece to name it by
    std::string name(app);
    for (const auto& [prefix, shown] : kAppNames)
        if (prefix == app)
            name = shown;
    if (!account.empty())
        name += " (" + std::string(account) + ")";
    return name;
}

bool canMakeOnlineOnly(const CloudProvider&) {
    return false;
}

} // namespace tavelin::CloudStorage
