// The helpers several actions share: names and counts for messages, measuring, path arithmetic
// for archives, and the comparison that verifies a copy.

#include "executor/Executor.h"
#include "platform/FileFacts.h"
#include "platform/Files.h"
#include "platform/Utf8.h"
#include "platform/Volumes.h"
#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "scan/TreeScanner.h"
#include "util/ContentHash.h"
#include "util/Format.h"
#include "util/Paths.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace tavelin::Executor {
namespace {

namespace fs = std::filesystem;

std::string_view normalized(std::string_view path) {
    if (path.starts_with(kDataVolume) && path.substr(kDataVolume.size()).starts_with('/'))
        path.remove_prefix(kDataVolume.size());
    return path;
}

std::string quoted(const std::string& name) {
    return "\u201C" + platform::validUtf8(name) + "\u201D";
}

// The names in a folder, sorted; nothing when it cannot be listed to its end.
std::optional<std::vector<std::string>> sortedNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; it != end; it.increment(error)) {
        if (error)
            return std::nullopt;
        names.push_back(it->path().filename().string());
    }
    if (error)
        return std::nullopt;
    std::sort(names.begin(), names.end());
    return names;
}

int64_t allocatedBytes(const std::string& path) {
    platform::FileFacts facts;
    return platform::readFileFacts(path.c_str(), facts) == 0 ? facts.allocated : 0;
}

} // namespace

std::string list(const std::vector<std::string>& names) {
    switch (names.size()) {
    case 0:
        return {};
    case 1:
        return quoted(names[0]);
    case 2:
        return quoted(names[0]) + " and " + quoted(names[1]);
    case 3:
        return quoted(names[0]) + ", " + quoted(names[1]) + " and " + quoted(names[2]);
    default:
        return quoted(names[0]) + ", " + quoted(names[1]) + " and " +
               std::to_string(names.size() - 2) + " more";
    }
}

ItemBytes measure(const std::string& path) {
    platform::FileFacts facts;
    if (platform::readFileFacts(path.c_str(), facts) != 0)
        return {};
    if (facts.isDirectory) {
        ScanCounter counter;
        LinkSet links;
        PathSet skip;
        auto root = TreeScanner::scan(path, {.counter = counter,
                                             .links = links,
                                             .skip = skip,
                                             .threshold = std::numeric_limits<int64_t>::max()});
        if (!root || root->isUnreadable)
            return {};
        return {root->size, root->unique};
    }
    return {facts.allocated,
            TreeScanner::uniqueSize(path, facts.allocated).value_or(facts.allocated)};
}

int64_t uniqueBytes(const std::string& path) {
    return measure(path).unique;
}

std::optional<std::string> onTheSameDisk(const std::string& drive,
                                         const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (platform::onOneFileSystem(drive, path).value_or(false))
            return path;
    return std::nullopt;
}

bool isInside(std::string_view path, std::string_view folder) {
    path = normalized(path);
    folder = normalized(folder);
    if (path == folder)
        return true;
    if (!path.starts_with(folder))
        return false;
    return folder.ends_with('/') || path.substr(folder.size()).starts_with('/');
}

std::string relativePath(std::string_view path, std::string_view home) {
    path = normalized(path);
    home = normalized(home);
    if (path != home && isInside(path, home))
        path.remove_prefix(home.size());
    while (path.starts_with('/'))
        path.remove_prefix(1);
    return std::string(path);
}

std::string freeName(const std::string& path) {
    if (!platform::pathExists(path.c_str()))
        return path;
    std::string name = lastPathComponent(path);
    size_t dot = name.rfind('.');
    bool hasExtension = dot != std::string::npos && dot > 0 && dot + 1 < name.size();
    std::string stem = hasExtension ? path.substr(0, path.size() - (name.size() - dot)) : path;
    std::string extension = hasExtension ? name.substr(dot) : std::string();
    for (int64_t n = 2;; ++n) {
        std::string candidate = stem + " " + std::to_string(n) + extension;
        if (!platform::pathExists(candidate.c_str()))
            return candidate;
    }
}

bool identical(const std::string& a, const std::string& b) {
    std::error_code errorA;
    std::error_code errorB;
    fs::file_status statusA = fs::symlink_status(a, errorA);
    fs::file_status statusB = fs::symlink_status(b, errorB);
    if (errorA || errorB || statusA.type() != statusB.type())
        return false;
    switch (statusA.type()) {
    case fs::file_type::regular: {
        auto lengthA = fs::file_size(a, errorA);
        auto lengthB = fs::file_size(b, errorB);
        if (errorA || errorB || lengthA != lengthB)
            return false;
        auto digestA = ContentHash::sha256(a);
        auto digestB = digestA ? ContentHash::sha256(b) : std::nullopt;
        return digestA && digestB && *digestA == *digestB;
    }
    case fs::file_type::symlink: {
        fs::path targetA = fs::read_symlink(a, errorA);
        fs::path targetB = fs::read_symlink(b, errorB);
        return !errorA && !errorB && targetA == targetB;
    }
    case fs::file_type::directory: {
        auto namesA = sortedNames(a);
        auto namesB = sortedNames(b);
        if (!namesA || !namesB || *namesA != *namesB)
            return false;
        return std::all_of(namesA->begin(), namesA->end(), [&](const std::string& name) {
            return identical(joinPath(a, name), joinPath(b, name));
        });
    }
    default:
        return true;
    }
}

std::vector<LocalFile> localFiles(const std::string& path) {
    std::vector<LocalFile> files;
    std::error_code error;
    fs::file_status status = fs::symlink_status(path, error);
    if (error)
        return files;
    if (fs::is_regular_file(status)) {
        if (int64_t allocated = allocatedBytes(path); allocated > 0)
            files.push_back({path, allocated});
        return files;
    }
    if (!fs::is_directory(status))
        return files;
    for (fs::recursive_directory_iterator
             it(path, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        fs::file_status entry = it->symlink_status(error);
        if (error) {
            error.clear(); // gone since it was listed
            continue;
        }
        if (!fs::is_regular_file(entry))
            continue;
        std::string file = it->path().string();
        if (int64_t allocated = allocatedBytes(file); allocated > 0)
            files.push_back({std::move(file), allocated});
    }
    return files;
}

} // namespace tavelin::Executor
