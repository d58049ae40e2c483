#include "report/ReportFolder.h"

#include "platform/PrivateFiles.h"

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

namespace tavelin::ReportFolder {

namespace fs = std::filesystem;

std::string stem(Date now) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H%M%SZ", &utc);
    return std::string("Tavelin report ") + stamp;
}

std::variant<fs::path, std::string> save(const fs::path& folder, std::string_view markdown,
                                         Date now) {
    std::variant<fs::path, std::error_code> saved = platform::makePrivateFolder(folder);
    if (!std::get<std::error_code>(saved))
        saved = platform::writeNewPrivateFile(folder, stem(now), ".md", markdown);
    if (auto* error = std::get_if<std::error_code>(&saved))
        return "The report couldn’t be saved in “" + folder.filename().string() +
               "”: " + error->message() + ".";
    prune(folder);
    return std::get<fs::path>(saved);
}

void prune(const fs::path& folder) {
    std::vector<std::pair<fs::file_time_type, fs::path>> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code timeError;
        auto modified = it->last_write_time(timeError);
        files.emplace_back(timeError ? fs::file_time_type::min() : modified, it->path());
    }
    if (files.size() <= kKeptFiles)
        return;
    std::stable_sort(files.begin(), files.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t index = kKeptFiles; index < files.size(); ++index) {
        std::error_code ignored;
        fs::remove(files[index].second, ignored);
    }
}

} // namespace tavelin::ReportFolder
