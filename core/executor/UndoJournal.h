#pragma once

// The undo records of the latest batches, kept in a folder (the data folder's "undo"): one file
// per batch, named by its time in whole milliseconds since 1970 and its id
// ("1765100000000-3fa85f64.json"), written atomically and readable by the user only. Each save
// keeps the newest `keep` batches that can be read; a file that cannot be read is listed as
// such and is never deleted, rewritten or acted on.
//
// No state beyond its settings: the window and a terminal may each have one on the same folder.

#include "executor/UndoBatch.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tavelin {

// A batch as found in the folder: its id and date from the file's name, and the batch, or why
// it could not be read.
struct StoredBatch {
    std::string id;
    Date date = kDistantPast;
    std::filesystem::path file;
    std::optional<UndoBatch> batch;
    std::string error;
};

class UndoJournal {
public:
    static constexpr size_t kKept = 50;

    explicit UndoJournal(std::filesystem::path folder, size_t keep = kKept);

    const std::filesystem::path& folder() const { return folder_; }

    // Writes the batch (replacing its earlier file), then lets the oldest readable batches go.
    [[nodiscard]] std::error_code save(const UndoBatch& batch) const;
    // Every batch file, newest first.
    std::vector<StoredBatch> list() const;
    // The batch with this id; nothing when no file has it.
    std::optional<StoredBatch> find(std::string_view id) const;
    // Marks the actions undone in their batch's file, read afresh so that what another
    // Tavelin wrote meanwhile stays. Nothing to do for a batch that is gone or unreadable.
    [[nodiscard]] std::error_code markUndone(std::string_view batchId,
                                             const std::set<std::string>& actionIds) const;

private:
    struct BatchFile {
        std::string id;
        int64_t milliseconds = 0;
        std::filesystem::path path;
    };

    // The regular files named like batches, newest first.
    std::vector<BatchFile> batchFiles() const;
    static StoredBatch read(const BatchFile& file);

    std::filesystem::path folder_;
    size_t keep_;
};

} // namespace tavelin
