#pragma once

// Writes a scan in the export format, one entry per line as it is met, so that nothing is held
// but the folders open on the way: `[1,2,{header}` then each folder as a list that starts with
// its own entry, files as objects, and `]` closing each list.
//
// Names are written as the file system's bytes, as the format's other writers do: `"`, `\` and
// control characters are escaped, anything else (UTF-8 or not) goes as it is. Sizes are
// `asize` (the content's length) and `dsize` (blocks × 512); `dev` is written for the top
// folder and wherever it changes; a file with several names carries `ino`, `nlink` and `hlnkc`
// so that readers count it once; `mtime` is whole seconds.

#include "platform/FileFacts.h"
#include "scanfile/ScanFileOutput.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class ExportWriter {
public:
    explicit ExportWriter(ScanFileOutput& output)
        : output_(output) {}

    void begin(std::string_view program, std::string_view version, int64_t timestamp);
    // Starts a folder's list with its own entry; `unreadable` marks one whose entries could not
    // be listed. The first folder is the top one, named by its absolute path.
    void openFolder(std::string_view name, const platform::FileFacts& facts, bool unreadable);
    void closeFolder();
    // Anything but a folder: files, links, devices (the last ones marked `notreg`).
    void file(std::string_view name, const platform::FileFacts& facts);
    // An entry left out of the walk: `why` is "otherfs" for another file system.
    void excluded(std::string_view name, std::string_view why);
    // An entry whose facts could not be read.
    void unexamined(std::string_view name);
    void end();

private:
    void startEntry(char opening, std::string_view name);
    void sizes(const platform::FileFacts& facts);
    template <typename Integer>
    void number(std::string_view key, Integer value);
    void finishEntry();

    ScanFileOutput& output_;
    std::vector<uint64_t> devices_; // of each folder open, the innermost last
    std::string line_;
};

} // namespace tavelin
