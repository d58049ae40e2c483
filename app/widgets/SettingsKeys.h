#pragma once

// The keys of the application's settings, each with the default its readers apply.

namespace tavelin::SettingsKeys {

inline constexpr const char* measure = "measure";                       // "allocated"
inline constexpr const char* inspectorShown = "inspectorShown";         // true
inline constexpr const char* inspectorTab = "inspectorTab";             // "advisor"
inline constexpr const char* recents = "recents";                       // empty
inline constexpr const char* scansWithoutAccess = "scansWithoutAccess"; // false
inline constexpr const char* sharingIntroduced = "sharingIntroduced";   // false
inline constexpr const char* advisorSafeBytes = "advisorSafeBytes";     // 0
inline constexpr const char* hiddenProjects = "hiddenProjects";         // empty
inline constexpr const char* hiddenDetectors = "hiddenDetectors";       // empty
inline constexpr const char* hiddenCandidates = "hiddenCandidates";     // empty
inline constexpr const char* scan = "scan";                             // none
inline constexpr const char* liveUpdates = "liveUpdates";               // true
// Absolute paths and name patterns left out of every scan.
inline constexpr const char* excludedFolders = "excludedFolders"; // empty
inline constexpr const char* diskWarnings = "diskWarnings";       // true
inline constexpr const char* askedForNotificationPermission =
    "askedForNotificationPermission";                               // false
inline constexpr const char* showMenuBarExtra = "showMenuBarExtra"; // true
// The service's ids of the last notification of each warning kind, with the service's bus name.
inline constexpr const char* notificationIds = "notificationIds"; // empty
inline constexpr const char* agentPrompt = "agentPrompt";         // empty: the standard prompt
inline constexpr const char* agentShareAcknowledged = "agentShareAcknowledged"; // false
inline constexpr const char* agentTipShown = "agentTipShown";                   // false
inline constexpr const char* sandboxBookmarks = "sandboxBookmarks";             // empty
inline constexpr const char* sizeUnits = "sizeUnits"; // "decimal", or "binary"

} // namespace tavelin::SettingsKeys
