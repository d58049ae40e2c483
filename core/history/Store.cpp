#include "history/Store.h"

#include "history/RecordText.h"
#include "platform/AtomicFile.h"
#include "platform/Files.h"
#include "platform/PrivateFiles.h"
#include "util/Sha256.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <span>

namespace tavelin::History {
namespace {

namespace fs = std::filesystem;

constexpr size_t kLocationDigestBytes = 8;
// Far above any record a real disk yields; a larger file in its place is not one of ours.
constexpr size_t kRecordLimit = size_t{1} << 29;

// The time a record's file name gives ("1700000000250.json"); nothing for any other name.
std::optional<int64_t> millisecondsNamed(const std::string& name) {
    constexpr std::string_view kExtension = ".json";
    if (!name.ends_with(kExtension))
        return std::nullopt;
    std::string_view digits(name.data(), name.size() - kExtension.size());
    int64_t milliseconds = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), milliseconds);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return milliseconds;
}

} // namespace

Store::Store(fs::path directory, int keep)
    : directory_(std::move(directory))
    , keep_(keep) {}

fs::path Store::locationFolder(std::string_view root) const {
    std::string text = recordText(root);
    Sha256Digest digest =
        sha256(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return directory_ / hexString(std::span(digest).first(kLocationDigestBytes));
}

std::error_code Store::save(const ScanRecord& record) const {
    fs::path folder = locationFolder(record.root);
    std::error_code error = platform::makePrivateFolder(folder);
    if (error)
        return error;
    int64_t saved = wholeMillisecondsSince1970(record.date);
    fs::path file = folder / (std::to_string(saved) + ".json");
    error = platform::replaceFile(file, record.encoded());
    return error ? error : prune(folder, saved);
}

std::vector<Store::RecordFile> Store::recordFiles(const fs::path& folder) {
    std::vector<RecordFile> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError))
            continue;
        if (auto milliseconds = millisecondsNamed(it->path().filename().string()))
            files.push_back({it->path(), *milliseconds});
    }
    std::sort(files.begin(), files.end(), [](const RecordFile& a, const RecordFile& b) {
        return a.milliseconds < b.milliseconds;
    });
    return files;
}

std::error_code Store::prune(const fs::path& folder, int64_t saved) const {
    std::vector<RecordFile> files = recordFiles(folder);
    size_t keep = static_cast<size_t>(std::max(keep_, 1));
    if (files.size() <= keep)
        return {};
    // Deleted first: records dated after the one just saved, then the oldest. The saved record
    // itself is never a candidate.
    std::vector<RecordFile> candidates;
    for (const RecordFile& file : files)
        if (file.milliseconds > saved)
            candidates.push_back(file);
    for (const RecordFile& file : files)
        if (file.milliseconds < saved)
            candidates.push_back(file);
    size_t surplus = std::min(files.size() - keep, candidates.size());
    std::error_code firstError;
    for (size_t i = 0; i < surplus; ++i) {
        std::error_code error;
        fs::remove(candidates[i].path, error);
        if (error && !firstError)
            firstError = error;
    }
    return firstError;
}

std::optional<ScanRecord> Store::latest(std::string_view root, Date before,
                                        const std::vector<std::string>& excluded) const {
    std::string asked = recordText(root);
    std::vector<RecordFile> files = recordFiles(locationFolder(asked));
    int64_t latestName = wholeMillisecondsSince1970(before);
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        // A record's name is its date: later ones need not be read.
        if (file->milliseconds > latestName)
            continue;
        std::optional<std::string> text =
            platform::readRegularFile(file->path.c_str(), kRecordLimit);
        std::optional<ScanRecord> record = text ? ScanRecord::decoded(*text) : std::nullopt;
        if (record && record->root == asked && record->date < before &&
            record->excluded == excluded)
            return record;
    }
    return std::nullopt;
}

} // namespace tavelin::History
