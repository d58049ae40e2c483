#pragma once

// Scan files: the export format other disk-usage tools of the Linux world write and read (a
// JSON list, format version 1.0 to 1.2), plain or gzip-compressed. Reading one gives a tree as
// a walk of the folder it describes would have built it; exporting walks a folder again and
// writes every entry, so other tools see the real tree.

#include "scanfile/ImportedScan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

namespace tavelin::ScanFile {

// How a file name given as "-" is called: the file is read from standard input.
inline constexpr std::string_view kStandardInput = "standard input";

// Reads an export from the open descriptor `fd`, which it closes. `fileName` is how the user
// knows the file. The scan, or a sentence saying why there is none: "“a.json” is not an ncdu or
// gdu export: it ends before the scan does, at byte 4096." Nothing of a file that fails partway
// is kept.
std::variant<ImportedScan, std::string> read(int fd, std::string fileName, int64_t threshold);
// Opens the file at `path` ("-" for standard input) and reads it.
std::variant<ImportedScan, std::string> open(const std::string& path, int64_t threshold);

struct Exported {
    int64_t entries = 0;  // the folder itself and everything written beneath it
    int64_t problems = 0; // folders that could not be listed, entries that could not be examined
};

struct ExportRequest {
    std::string folder;      // absolute
    std::string destination; // a file, gzip-compressed when its name ends in ".gz"; "-" for `fd`
    int fd = 1;
    std::string program = "tavelin";
    std::string version;
    std::function<bool()> isCancelled{};
};

// Walks the folder and writes its export. A file destination is replaced only once the export
// is complete; nothing is left of one that failed or was cancelled. What was written, or a
// sentence saying why the export failed.
std::variant<Exported, std::string> exportFolder(const ExportRequest& request);

} // namespace tavelin::ScanFile
