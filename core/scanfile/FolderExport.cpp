#include "scanfile/FolderExport.h"

#include "platform/Directories.h"

#include <cerrno>

namespace tavelin {
namespace {

constexpr int kCheckEvery = 4096;

} // namespace

FolderExport::FolderExport(ExportWriter& writer, int output, std::function<bool()> isCancelled)
    : writer_(writer)
    , isCancelled_(std::move(isCancelled)) {
    if (platform::readFileFacts(output, "", output_) != 0)
        output_.isRegular = false;
}

FolderExport::Result FolderExport::run(const std::string& path, std::string_view program,
                                       std::string_view version, int64_t timestamp) {
    platform::raiseOpenFileLimitOnce();
    platform::UniqueFd place = platform::openFolder(path.c_str());
    platform::FileFacts top;
    if (!place) {
        result_.error = errno;
        return result_;
    }
    if (int error = platform::readFileFacts(place.get(), "", top)) {
        result_.error = error;
        return result_;
    }
    mount_ = top.mount;
    writer_.begin(program, version, timestamp);
    platform::UniqueFd listing = platform::openListing(place.get());
    writer_.openFolder(path, top, !listing);
    result_.entries = 1;
    if (listing) {
        levels_.push_back({std::move(listing), {}, 0});
        list(levels_.back());
    } else {
        ++result_.problems;
        writer_.closeFolder();
    }
    while (!levels_.empty() && !result_.cancelled) {
        Level& level = levels_.back();
        if (level.next == level.subfolders.size()) {
            levels_.pop_back();
            writer_.closeFolder();
            continue;
        }
        enter(level);
    }
    writer_.end();
    return result_;
}

// A folder's list holds its files first, then its sub-folders, each written when entered: only
// then is it known whether it can be listed, which its own entry must say.
void FolderExport::enter(Level& level) {
    Subfolder& next = level.subfolders[level.next++];
    platform::UniqueFd fd = platform::openSubdirectory(level.fd.get(), next.name.c_str());
    writer_.openFolder(next.name, next.facts, !fd);
    if (!fd) {
        // Deeper than the open-file limit ends here too, as one problem.
        ++result_.problems;
        writer_.closeFolder();
        return;
    }
    levels_.push_back({std::move(fd), {}, 0});
    list(levels_.back());
}

void FolderExport::list(Level& level) {
    int fd = level.fd.get();
    while (!result_.cancelled && reader_.next(fd))
        reader_.forEach([&](std::string_view name) {
            visit(fd, name, level);
            return !result_.cancelled;
        });
    if (reader_.error() != 0)
        ++result_.problems;
}

void FolderExport::visit(int fd, std::string_view name, Level& level) {
    if (++steps_ == kCheckEvery) {
        steps_ = 0;
        result_.cancelled = isCancelled_ && isCancelled_();
    }
    platform::FileFacts facts;
    int error = platform::readFileFacts(fd, name.data(), facts);
    if (error == 0 && output_.isRegular && facts.id() == output_.id())
        return;
    ++result_.entries;
    if (error != 0) {
        ++result_.problems;
        writer_.unexamined(name);
    } else if (facts.mount != mount_) {
        writer_.excluded(name, "otherfs");
    } else if (facts.isDirectory) {
        level.subfolders.push_back({std::string(name), facts});
    } else {
        writer_.file(name, facts);
    }
}

} // namespace tavelin
