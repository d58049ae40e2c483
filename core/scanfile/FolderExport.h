#pragma once

// Walks a folder for an export and hands every entry to the writer as the disk holds it now:
// the files a scan folds into their folder's figures are listed one by one. The walk keeps the
// scan's rules: it stays on the folder's mount (a folder of another mount is written as
// excluded), never follows a symbolic link, and marks a folder it cannot list as a read error.
// Only the folders on the way down are held (a descriptor and the names of the sub-folders still
// to enter, per level), whatever the size of the tree.

#include "platform/DirectoryReader.h"
#include "platform/FileFacts.h"
#include "platform/UniqueFd.h"
#include "scanfile/ExportWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavelin {

class FolderExport {
public:
    struct Result {
        int error = 0;        // the system's error when the folder itself could not be opened
        int64_t entries = 0;  // entries written, the top folder included
        int64_t problems = 0; // folders that could not be listed, entries not examined
        bool cancelled = false;
    };

    // `output` is the descriptor the export is written to: when that is a file in the folder,
    // the walk leaves it out, as it is not part of what was there.
    FolderExport(ExportWriter& writer, int output, std::function<bool()> isCancelled);

    // Writes the whole export of the folder at the absolute `path`, header first.
    Result run(const std::string& path, std::string_view program, std::string_view version,
               int64_t timestamp);

private:
    struct Subfolder {
        std::string name;
        platform::FileFacts facts;
    };
    struct Level {
        platform::UniqueFd fd;
        std::vector<Subfolder> subfolders;
        size_t next = 0;
    };

    void list(Level& level);
    void visit(int fd, std::string_view name, Level& level);
    void enter(Level& level);

    ExportWriter& writer_;
    std::function<bool()> isCancelled_;
    platform::DirectoryReader reader_;
    std::vector<Level> levels_;
    uint64_t mount_ = 0;
    platform::FileFacts output_;
    Result result_;
    int steps_ = 0;
};

} // namespace tavelin
