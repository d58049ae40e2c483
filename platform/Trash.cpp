#include "platform/Trash.h"

#include "platform/Account.h"
#include "platform/AtomicFile.h"
#include "platform/Descriptors.h"
#include "platform/Files.h"
#include "platform/ItemRemoval.h"
#include "platform/KeyFile.h"
#include "platform/PercentEncoding.h"
#include "platform/PrivateFiles.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";
// Info files hold two short lines; anything much longer is not one.
constexpr size_t kLongestInfoFile = 64 * 1024;
// Room for the info file's suffix and a number within the system's 255-byte name limit.
constexpr size_t kLongestName = 255 - kInfoSuffix.size() - 8;

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.ends_with('/'))
        path += '/';
    path += name;
    return path;
}

std::string deletionDate(std::chrono::system_clock::time_point when) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The placement of the deepest part of `path` that exists: where a folder made there would lie.
std::optional<Placement> placementBelow(std::string path) {
    for (;;) {
        if (auto placement = placementOf(AT_FDCWD, path.c_str(), 0))
            return placement;
        if (path == "/")
            return std::nullopt;
        path = parentOf(path);
    }
}

bool makeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// A real folder (not a link to one) owned by the user.
bool isOwnFolder(const std::string& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid();
}

// Makes `files/` and `info/` in a Trash folder; usable when both are real folders and `files/`
// lies where the item does, so the item can be renamed into it.
int prepare(const std::string& root, const Placement& placement) {
    for (const char* part : {"files", "info"}) {
        std::string folder = joined(root, part);
        if (!makeFolder(folder))
            return errno;
        if (!isOwnFolder(folder))
            return ENOTDIR;
    }
    auto files = placementOf(AT_FDCWD, joined(root, "files").c_str(), 0);
    return files && *files == placement ? 0 : EXDEV;
}

// The highest folder above and including `folder` that still lies on `placement`.
std::string topdirOf(std::string folder, const Placement& placement) {
    while (folder != "/") {
        std::string up = parentOf(folder);
        auto above = placementOf(AT_FDCWD, up.c_str(), 0);
        if (!above || *above != placement)
            break;
        folder = std::move(up);
    }
    return folder;
}

// The Trash at the top of a mount: the shared $topdir/.Trash/$uid, else $topdir/.Trash-$uid.
// Sets `error` to the reason when neither can be used.
std::string topdirTrash(const std::string& topdir, const Placement& placement, int& error) {
    std::string uid = std::to_string(::getuid());
    std::string shared = joined(topdir, ".Trash");
    struct stat status;
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
        (status.st_mode & S_ISVTX)) {
        std::string own = joined(shared, uid);
        if (makeFolder(own) && isOwnFolder(own) && prepare(own, placement) == 0)
            return own;
    }
    std::string own = joined(topdir, ".Trash-" + uid);
    if (!makeFolder(own)) {
        error = errno;
        return {};
    }
    if (!isOwnFolder(own)) {
        error = ENOTDIR;
        return {};
    }
    error = prepare(own, placement);
    return error == 0 ? own : std::string();
}

// The name for the n-th try: the item's name cut to fit, with ".n" before its extension from
// the second try on.
std::string trashName(std::string name, int attempt) {
    if (name.size() > kLongestName) {
        size_t cut = kLongestName;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 sequence
        name.resize(cut);
    }
    if (attempt == 1)
        return name;
    size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos)
        dot = name.size();
    return name.substr(0, dot) + "." + std::to_string(attempt) + name.substr(dot);
}

TrashOutcome moveInto(const std::string& root, const std::string& path, std::string_view recorded,
                      std::chrono::system_clock::time_point deletedAt) {
    UniqueFd files(::open(joined(root, "files").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd info(::open(joined(root, "info").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!files || !info)
        return {{}, errno};
    std::string text = "[Trash Info]\nPath=";
    text += trashInfoPath(std::string(recorded));
    text += "\nDeletionDate=" + deletionDate(deletedAt) + "\n";
    std::string base = nameOf(path);
    for (int attempt = 1; attempt < 100'000; ++attempt) {
        std::string name = trashName(base, attempt);
        std::string infoName = name + std::string(kInfoSuffix);
        UniqueFd infoFile(::openat(info.get(), infoName.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFile && errno == EEXIST)
            continue;
        if (!infoFile)
            return {{}, errno};
        struct stat status;
        int error = ::fstatat(files.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0
                        ? EEXIST
                        : writeAll(infoFile.get(), text);
        infoFile.reset();
        if (error == 0)
            error = renameNoReplace(AT_FDCWD, path.c_str(), files.get(), name.c_str());
        if (error == 0)
            return {joined(joined(root, "files"), name), 0};
        ::unlinkat(info.get(), infoName.c_str(), 0);
        if (error != EEXIST)
            return {{}, error};
    }
    return {{}, EEXIST};
}

// When the entry `name` was made, where the file system keeps it; zero otherwise.
FileTime birthOf(int folder, const char* name) {
    struct statx status;
    int failed =
        ::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_BTIME, &status);
    if (failed != 0 || !(status.stx_mask & STATX_BTIME))
        return {};
    return {status.stx_btime.tv_sec, status.stx_btime.tv_nsec};
}

// Drops what a Trash records beside an entry of its `files/` folder that is gone.
void forget(const std::string& filesFolder, const std::string& name) {
    if (nameOf(filesFolder) != "files")
        return;
    std::string root = parentOf(filesFolder);
    ::unlink(joined(joined(root, "info"), name + std::string(kInfoSuffix)).c_str());
    std::string sizesFile = joined(root, "directorysizes");
    auto sizes = readRegularFile(sizesFile.c_str(), 16 * 1024 * 1024);
    if (!sizes)
        return;
    // Each line: size, modification time and the percent-encoded name, separated by spaces.
    std::string kept;
    bool dropped = false;
    for (size_t start = 0; start < sizes->size();) {
        size_t end = sizes->find('\n', start);
        end = end == std::string::npos ? sizes->size() : end + 1;
        std::string_view line(sizes->data() + start, end - start);
        size_t first = line.find(' ');
        size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
        std::string_view field = second == std::string_view::npos ? "" : line.substr(second + 1);
        while (field.ends_with('\n') || field.ends_with('\r'))
            field.remove_suffix(1);
        if (!field.empty() && percentDecoded(field) == name)
            dropped = true;
        else
            kept += line;
        start = end;
    }
    if (dropped)
        (void)replaceFile(sizesFile, kept);
}

// Allocated bytes of the entry at `top` and everything beneath it on its mount, each file once.
// Folders are listed one after another from a list of paths, so no depth exhausts the stack or
// the descriptors.
int64_t allocatedBeneath(const std::string& top) {
    FileFacts facts;
    if (readFileFacts(AT_FDCWD, top.c_str(), facts) != 0)
        return 0;
    const uint64_t mount = facts.mount;
    std::set<std::pair<uint64_t, uint64_t>> linked;
    std::vector<std::string> folders;
    int64_t bytes = 0;
    auto count = [&](const std::string& path, const FileFacts& entry) {
        if (!entry.isDirectory && entry.linkCount > 1 &&
            !linked.emplace(entry.device, entry.inode).second)
            return;
        bytes += entry.allocated;
        if (entry.isDirectory)
            folders.push_back(path);
    };
    count(top, facts);
    std::vector<std::string> names;
    while (!folders.empty()) {
        std::string folder = std::move(folders.back());
        folders.pop_back();
        UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd || entryNames(fd.get(), names) != 0)
            continue;
        for (const std::string& name : names)
            if (readFileFacts(fd.get(), name.c_str(), facts) == 0 && facts.mount == mount)
                count(joined(folder, name), facts);
    }
    return bytes;
}

} // namespace

std::vector<std::string> topTrashFolders() {
    std::string uid = std::to_string(::getuid());
    return {".Trash/" + uid, ".Trash-" + uid};
}

std::optional<std::vector<TrashItem>> trashItems(const std::string& trash) {
    std::string files = joined(trash, "files");
    UniqueFd folder(::open(files.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (!folder || entryNames(folder.get(), names) != 0)
        return std::nullopt;
    std::vector<TrashItem> items;
    for (std::string& name : names) {
        FileFacts facts;
        if (readFileFacts(folder.get(), name.c_str(), facts) != 0)
            continue; // gone since it was listed
        TrashItem item{.name = name,
                       .path = joined(files, name),
                       .infoFile = {},
                       .id = facts.id(),
                       .born = birthOf(folder.get(), name.c_str())};
        item.bytes = allocatedBeneath(item.path);
        std::string info = joined(joined(trash, "info"), name + std::string(kInfoSuffix));
        FileFacts infoFacts;
        if (readFileFacts(AT_FDCWD, info.c_str(), infoFacts) == 0 && infoFacts.isRegular) {
            item.infoFile = std::move(info);
            item.bytes += infoFacts.allocated;
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string homeTrash() {
    return joined(dataHome(), "Trash");
}

std::string trashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                     (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                     c == '/';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

TrashOutcome moveToTrash(const std::string& path, std::chrono::system_clock::time_point deletedAt) {
    if (!path.starts_with('/') || path.ends_with('/'))
        return {{}, EINVAL};
    auto item = placementOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
    if (!item)
        return {{}, errno};
    std::string folder = parentOf(path);
    auto place = placementOf(AT_FDCWD, folder.c_str(), 0);
    if (!place)
        return {{}, errno};
    if (item->mount != place->mount)
        return {{}, EBUSY};

    // The home Trash is the only Trash of the disk it lies on.
    std::string home = homeTrash();
    if (placementBelow(joined(home, "files")) == place) {
        int error = makeMissingFolders(home);
        if (error == 0)
            error = prepare(home, *place);
        if (error != 0)
            return {{}, error};
        return moveInto(home, path, path, deletedAt);
    }
    std::string topdir = topdirOf(folder, *place);
    int error = 0;
    std::string root = topdirTrash(topdir, *place, error);
    if (root.empty())
        return {{}, error};
    // Relative to the top folder, so the record holds wherever the disk is mounted next.
    std::string_view recorded = path;
    if (topdir != "/")
        recorded.remove_prefix(topdir.size() + 1);
    else
        recorded.remove_prefix(1);
    return moveInto(root, path, recorded, deletedAt);
}

int eraseFromTrash(const TrashItem& item) {
    FileFacts now;
    if (int error = readFileFacts(item.path.c_str(), now))
        return error;
    if (now.id() != item.id || birthOf(AT_FDCWD, item.path.c_str()) != item.born)
        return ESTALE;
    int error = removeItem(item.path);
    if (error != 0 && error != ENOENT)
        return error;
    forget(parentOf(item.path), item.name);
    return 0;
}

std::optional<std::string> trashedFrom(const std::string& trashed) {
    std::string files = parentOf(trashed);
    if (nameOf(files) != "files")
        return std::nullopt;
    std::string root = parentOf(files);
    std::string info = joined(joined(root, "info"), nameOf(trashed) + std::string(kInfoSuffix));
    auto text = readRegularFile(info.c_str(), kLongestInfoFile);
    auto group = text ? keyFileGroup(*text, "Trash Info") : std::nullopt;
    if (!group)
        return std::nullopt;
    auto path =
        std::ranges::find(*group, std::string_view("Path"), &KeyFileLines::value_type::first);
    if (path == group->end() || path->second.empty())
        return std::nullopt;
    std::string recorded = percentDecoded(path->second);
    if (recorded.starts_with('/'))
        return recorded;
    // A disk's own Trash records paths below the top of the disk: $topdir/.Trash-$uid, or
    // $topdir/.Trash/$uid.
    std::string topdir = parentOf(root);
    if (!nameOf(root).starts_with(".Trash-")) {
        if (nameOf(topdir) != ".Trash")
            return std::nullopt;
        topdir = parentOf(topdir);
    }
    return joined(topdir, recorded);
}

int restoreFromTrash(const std::string& trashed, const std::string& original) {
    if (int error = renameNoReplace(AT_FDCWD, trashed.c_str(), AT_FDCWD, original.c_str()))
        return error;
    forget(parentOf(trashed), nameOf(trashed));
    return 0;
}

} // namespace tavelin::platform
