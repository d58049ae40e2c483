#pragma once

// The folders Linux sync clients keep in step with a cloud service, read from the clients' own
// settings, wherever the user put them: Nextcloud's and ownCloud's sync folders, Dropbox's
// folders, Syncthing's shared folders, and remotes mounted with rclone. A folder that does not
// exist, and a setting that cannot be read, contribute nothing.

#include "advisor/cloud/CloudProvider.h"
#include "platform/Volumes.h"

#include <string>
#include <vector>

namespace tavelin::SyncClients {

// Where the clients keep their settings.
struct Places {
    std::string home;
    std::string config; // $XDG_CONFIG_HOME, else home/.config
    std::string state;  // $XDG_STATE_HOME, else home/.local/state

    static Places of(const std::string& home);
};

// The clients' folders in the order above, each folder once; `mounts` are the mounted file
// systems, for rclone's.
std::vector<CloudProvider> folders(const Places& places,
                                   const std::vector<platform::MountFacts>& mounts);

} // namespace tavelin::SyncClients
