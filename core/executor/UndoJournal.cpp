#include "executor/UndoJournal.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/PrivateFiles.h"

#include <algorithm>
#include <charconv>

namespace tavelin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".json";
// Far above any batch's record; a larger file in its place is not one of ours.
constexpr size_t kRecordLimit = size_t{1} << 26;

std::string fileName(int64_t milliseconds, std::string_view id) {
    return std::to_string(milliseconds) + "-" + std::string(id) + std::string(kExtension);
}

} // namespace

UndoJournal::UndoJournal(fs::path folder, size_t keep)
    : folder_(std::move(folder))
    , keep_(std::max<size_t>(keep, 1)) {}

std::error_code UndoJournal::save(const UndoBatch& batch) const {
    if (std::error_code error = platform::makePrivateFolder(folder_))
        return error;
    std::vector<BatchFile> files = batchFiles();
    auto earlier = std::ranges::find(files, batch.id, &BatchFile::id);
    fs::path path = earlier != files.end()
                        ? earlier->path
                        : folder_ / fileName(wholeMillisecondsSince1970(batch.date), batch.id);
    if (std::error_code error = platform::replaceFile(path, batch.encoded()))
        return error;
    size_t readable = 0;
    std::error_code firstError;
    for (const BatchFile& file : batchFiles()) {
        if (!read(file).batch || ++readable <= keep_ || file.id == batch.id)
            continue;
        std::error_code error;
        fs::remove(file.path, error);
        if (error && !firstError)
            firstError = error;
    }
    return firstError;
}

std::vector<StoredBatch> UndoJournal::list() const {
    std::vector<StoredBatch> batches;
    for (const BatchFile& file : batchFiles())
        batches.push_back(read(file));
    return batches;
}

std::optional<StoredBatch> UndoJournal::find(std::string_view id) const {
    for (const BatchFile& file : batchFiles())
        if (file.id == id)
            return read(file);
    return std::nullopt;
}

std::error_code UndoJournal::markUndone(std::string_view batchId,
                                        const std::set<std::string>& actionIds) const {
    std::optional<StoredBatch> stored = find(batchId);
    if (!stored || !stored->batch)
        return {};
    for (RecentAction& action : stored->batch->actions)
        if (actionIds.contains(action.id))
            action.undone = true;
    return platform::replaceFile(stored->file, stored->batch->encoded());
}

std::vector<UndoJournal::BatchFile> UndoJournal::batchFiles() const {
    std::vector<BatchFile> files;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError))
            continue;
        std::string name = it->path().filename().string();
        size_t dash = name.find('-');
        if (dash == std::string::npos || !name.ends_with(kExtension))
            continue;
        int64_t milliseconds = 0;
        auto [last, failed] = std::from_chars(name.data(), name.data() + dash, milliseconds);
        std::string id = name.substr(dash + 1, name.size() - dash - 1 - kExtension.size());
        if (failed != std::errc() || last != name.data() + dash || id.empty())
            continue;
        files.push_back({std::move(id), milliseconds, it->path()});
    }
    std::ranges::sort(files, std::greater{}, &BatchFile::milliseconds);
    return files;
}

StoredBatch UndoJournal::read(const BatchFile& file) {
    StoredBatch stored{file.id,
                       dateFromSecondsSince1970(static_cast<double>(file.milliseconds) / 1000),
                       file.path,
                       std::nullopt,
                       {}};
    std::optional<std::string> text = platform::readRegularFile(file.path.c_str(), kRecordLimit);
    if (!text) {
        stored.error = "The record can’t be read.";
        return stored;
    }
    UndoBatchDecoding decoding = UndoBatch::decoded(*text, file.id);
    stored.batch = std::move(decoding.batch);
    stored.error = std::move(decoding.error);
    return stored;
}

} // namespace tavelin
