#pragma once

// The cloud-storage folders on this computer: the system's file-provider folders and cloud
// drive where they exist, and the sync folders Linux clients make in the home folder. Files in
// them are kept by their provider too, so the duplicate and large-file finders leave them out.

#include "advisor/cloud/CloudProvider.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavelin::CloudStorage {

// The sync folders Linux clients create directly in the home folder, in the order providers
// list them.
inline constexpr std::string_view kHomeSyncFolders[] = {
    "Dropbox",  "Nextcloud",     "ownCloud",     "pCloudDrive",  "MEGA",
    "OneDrive", "SynologyDrive", "Google Drive", "Proton Drive",
};

// In order: the folders of home/Library/CloudStorage (names sorted, hidden names and
// non-folders skipped), the system's cloud drive in home/Library/Mobile Documents, each home
// sync folder that exists, then the folders the sync clients' settings name (SyncClients) that
// are not listed yet. A folder that cannot be listed contributes nothing.
std::vector<CloudProvider> providers(const std::string& home);

// A provider folder's name as the user knows it: the app part before the first "-" through the
// table of app names ("GoogleDrive" is "Google Drive"), then the account after it in brackets:
// "GoogleDrive-Personal" is "Google Drive (Personal)", "Acme-Work" is "Acme (Work)".
std::string displayName(std::string_view folder);

// Whether a provider's files can be made online-only here. Linux sync clients offer no system
// interface for it, so none can.
bool canMakeOnlineOnly(const CloudProvider& provider);

} // namespace tavelin::CloudStorage
