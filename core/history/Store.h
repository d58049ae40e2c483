#pragma once

// Scan records on disk: one folder per scanned location, named by the first 16 hexadecimal
// digits of the SHA-256 of the root path, holding one JSON file per scan named by its time in
// whole milliseconds since 1970. Each save keeps only the newest `keep` records of its location:
// files whose names are not such times are never counted or deleted, and records dated after the
// one being saved (a clock that was ahead) are the first to go, so a save never deletes the
// record it wrote or real records in their favour. Only regular files are read, so nothing
// placed in the folder can make a read wait.
//
// No state beyond its settings: a background save and a read on another thread may share one.

#include "history/ScanRecord.h"
#include "util/Dates.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace tavelin::History {

class Store {
public:
    Store(std::filesystem::path directory, int keep);

    const std::filesystem::path& directory() const { return directory_; }
    int keep() const { return keep_; }

    // Writes the record atomically (a reader sees the old file set or the new one, never half a
    // file), then prunes its location (above). The error when the folder or file cannot be made, or
    // a prune fails; on a prune failure the record itself is already in place.
    [[nodiscard]] std::error_code save(const ScanRecord& record) const;

    // The newest record of exactly this root dated before `before` and made with these
    // exclusions (sorted); files that cannot be read or decoded are passed over. Nothing when
    // there is no such record.
    std::optional<ScanRecord> latest(std::string_view root, Date before,
                                     const std::vector<std::string>& excluded = {}) const;

    std::filesystem::path locationFolder(std::string_view root) const;

private:
    struct RecordFile {
        std::filesystem::path path;
        int64_t milliseconds = 0; // from the name
    };

    // The location's regular files named like records, oldest first.
    static std::vector<RecordFile> recordFiles(const std::filesystem::path& folder);
    std::error_code prune(const std::filesystem::path& folder, int64_t saved) const;

    std::filesystem::path directory_;
    int keep_;
};

} // namespace tavelin::History
