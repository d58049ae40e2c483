#include "privacy/Privacy.h"

#include "platform/Account.h"
#include "util/Paths.h"

#include <fstream>
#include <vector>

namespace tavelin::Privacy {

namespace {

std::vector<std::string> protectedPaths(const std::string& home) {
    std::vector<std::string> paths;
    paths.reserve(kProtectedFolders.size() * 2);
    for (const std::string& base : {home, standardizedPath(std::string(kDataVolume) + home)}) {
        for (std::string_view folder : kProtectedFolders)
            paths.push_back(joinPath(base, folder));
    }
    return paths;
}

} // namespace

const std::string& userHome() {
    static const std::string home = standardizedPath(platform::homeFolder());
    return home;
}

bool hasFullDiskAccess(std::string_view home) {
    for (const std::string& guarded :
         {joinPath(home, "Library/Application Support/com.apple.TCC/TCC.db"),
          joinPath(home, "Library/Safari/Bookmarks.plist"),
          std::string("/Library/Application Support/com.apple.TCC/TCC.db")}) {
        if (std::ifstream(guarded).is_open())
            return true;
    }
    return false;
}

PathSet foldersToSkip(std::string_view scanning, std::string_view home) {
    const std::string path = standardizedPath(scanning);
    const auto members = protectedPaths(standardizedPath(home));
    for (const std::string& member : members) {
        if (path == member || isBelow(path, member))
            return {};
    }
    PathSet reached;
    for (const std::string& member : members) {
        if (isBelow(member, path))
            reached.insert(member);
    }
    return reached;
}

std::string displayName(std::string_view path) {
    return path == "/" ? "Computer" : lastPathComponent(path);
}

} // namespace tavelin::Privacy
