#include "history/Store.h"

#include "history/RecordText.h"
#include "platform/AtomicFile.h"
#include "util/Sha256.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <sstream>

namespace tavelin::History {
namespace {

namespace fs = std::filesystem;

constexpr size_t kLocationDigestBytes = 8;

std::optional<std::string> contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!(in && text << in.rdbuf()))
        return std::nullopt;
    return std::move(text).str();
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
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return error;
    fs::path file = folder / (std::to_string(wholeMillisecondsSince1970(record.date)) + ".json");
    error = platform::replaceFile(file, record.encoded());
    return error ? error : prune(folder);
}

std::vector<fs::path> Store::recordFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".json")
            files.push_back(it->path());
    // Names are millisecond counts, so length first and then text is chronological.
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        std::string nameA = a.filename().string();
        std::string nameB = b.filename().string();
        return nameA.size() != nameB.size() ? nameA.size() < nameB.size() : nameA < nameB;
    });
    return files;
}

std::error_code Store::prune(const fs::path& folder) const {
    std::vector<fs::path> files = recordFiles(folder);
    size_t surplus = files.size() - std::min(files.size(), static_cast<size_t>(std::max(keep_, 0)));
    std::error_code firstError;
    for (size_t i = 0; i < surplus; ++i) {
        std::error_code error;
        fs::remove(files[i], error);
        if (error && !firstError)
            firstError = error;
    }
    return firstError;
}

std::optional<ScanRecord> Store::latest(std::string_view root, Date before) const {
    std::string asked = recordText(root);
    std::vector<fs::path> files = recordFiles(locationFolder(asked));
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        std::optional<std::string> text = contentsOf(*file);
        std::optional<ScanRecord> record = text ? ScanRecord::decoded(*text) : std::nullopt;
        if (record && record->root == asked && record->date < before)
            return record;
    }
    return std::nullopt;
}

} // namespace tavelin::History
