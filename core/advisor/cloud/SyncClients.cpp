#include "advisor/cloud/SyncClients.h"

#include "platform/Files.h"
#include "util/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <regex>
#include <sstream>

namespace tavelin::SyncClients {
namespace {

constexpr size_t kSettingsLimit = 4 << 20;

std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : fallback;
}

std::string settingsText(const std::string& path) {
    return platform::readRegularFile(path.c_str(), kSettingsLimit).value_or("");
}

// Nextcloud and ownCloud keep each sync folder as "N\Folders\M\localPath=PATH" (folders with
// virtual files under "FoldersWithPlaceholders") in their Qt settings file.
void addDesktopClient(const std::string& file, const std::string& name,
                      std::vector<CloudProvider>& found) {
    static const std::regex line(R"(^\d+\\Folders\w*\\\d+\\localPath=(.+)$)");
    std::istringstream text(settingsText(file));
    std::smatch match;
    for (std::string entry; std::getline(text, entry);)
        if (std::regex_match(entry, match, line))
            found.push_back({name, standardizedPath(match[1].str()), false});
}

// Dropbox names each account's folder in ~/.dropbox/info.json: {"personal": {"path": ...}}.
void addDropbox(const Places& places, std::vector<CloudProvider>& found) {
    auto json = nlohmann::json::parse(settingsText(joinPath(places.home, ".dropbox/info.json")),
                                      nullptr, false);
    if (!json.is_object())
        return;
    for (const auto& [account, settings] : json.items())
        if (settings.is_object() && settings.contains("path") && settings["path"].is_string())
            found.push_back(
                {"Dropbox", standardizedPath(settings["path"].get<std::string>()), false});
}

// Syncthing lists its shared folders in config.xml, in the state folder since version 1.27 and
// in the config folder before.
void addSyncthing(const Places& places, std::vector<CloudProvider>& found) {
    for (const std::string& folder : {places.state, places.config}) {
        std::string text = settingsText(joinPath(folder, "syncthing/config.xml"));
        pugi::xml_document document;
        if (text.empty() || !document.load_buffer(text.data(), text.size()))
            continue;
        for (const pugi::xml_node& shared : document.child("configuration").children("folder")) {
            std::string path = shared.attribute("path").as_string();
            if (path == "~" || path.starts_with("~/"))
                path = places.home + path.substr(1);
            if (path.starts_with('/'))
                found.push_back({"Syncthing", standardizedPath(path), false});
        }
        return;
    }
}

// rclone mounts a remote ("gdrive:" or "gdrive:Photos") as a FUSE file system.
void addRclone(const std::vector<platform::MountFacts>& mounts, std::vector<CloudProvider>& found) {
    for (const platform::MountFacts& mount : mounts)
        if (mount.type == "fuse.rclone") {
            std::string remote = mount.source.substr(0, mount.source.find(':'));
            found.push_back({remote.empty() ? "rclone" : remote + " (rclone)", mount.path, false});
        }
}

} // namespace

Places Places::of(const std::string& home) {
    return {home, environmentOr("XDG_CONFIG_HOME", joinPath(home, ".config")),
            environmentOr("XDG_STATE_HOME", joinPath(home, ".local/state"))};
}

std::vector<CloudProvider> folders(const Places& places,
                                   const std::vector<platform::MountFacts>& mounts) {
    std::vector<CloudProvider> found;
    addDesktopClient(joinPath(places.config, "Nextcloud/nextcloud.cfg"), "Nextcloud", found);
    addDesktopClient(joinPath(places.config, "ownCloud/owncloud.cfg"), "ownCloud", found);
    addDropbox(places, found);
    addSyncthing(places, found);
    addRclone(mounts, found);
    std::vector<CloudProvider> kept;
    for (CloudProvider& provider : found) {
        std::error_code error;
        bool seen = std::any_of(kept.begin(), kept.end(), [&](const CloudProvider& other) {
            return other.root == provider.root;
        });
        if (!seen && std::filesystem::is_directory(provider.root, error))
            kept.push_back(std::move(provider));
    }
    return kept;
}

} // namespace tavelin::SyncClients
