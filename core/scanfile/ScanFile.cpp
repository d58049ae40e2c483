#include "scanfile/ScanFile.h"

#include "platform/ReplacingFile.h"
#include "scanfile/ExportReader.h"
#include "scanfile/FolderExport.h"
#include "scanfile/ScanFileInput.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace tavelin::ScanFile {
namespace {

std::string named(std::string_view path) {
    return "“" + singleLine(path == "-" ? path : lastPathComponent(path)) + "”";
}

std::string cannotRead(std::string_view name, const std::string& why) {
    return named(name) + " can’t be read: " + why + ".";
}

std::string cannotWrite(std::string_view name, const std::string& why) {
    return named(name) + " can’t be written: " + why + ".";
}

} // namespace

std::variant<ImportedScan, std::string> read(int fd, std::string fileName, int64_t threshold) {
    ScanFileInput input(fd);
    ExportReader reader(input, threshold);
    try {
        if (nlohmann::json::sax_parse(input.begin(), input.end(), &reader)) {
            ImportedScan scan = reader.take();
            scan.fileName = std::move(fileName);
            return scan;
        }
    } catch (const std::bad_alloc&) {
        return "There isn’t enough memory to read " + named(fileName) + ".";
    }
    const ExportReader::Problem& problem = *reader.problem();
    if (problem.unreadable)
        return cannotRead(fileName, problem.reason);
    return named(fileName) + " is not an ncdu or gdu export: " + problem.reason + ", at byte " +
           std::to_string(problem.at) + ".";
}

std::variant<ImportedScan, std::string> open(const std::string& path, int64_t threshold) {
    if (path == "-")
        return read(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0), std::string(kStandardInput),
                    threshold);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return cannotRead(path, std::strerror(errno));
    return read(fd, lastPathComponent(path), threshold);
}

std::variant<Exported, std::string> exportFolder(const ExportRequest& request) {
    bool toFile = request.destination != "-";
    std::optional<platform::ReplacingFile> file;
    if (toFile) {
        file.emplace(request.destination);
        if (file->error())
            return cannotWrite(request.destination, file->error().message());
    }
    int fd = toFile ? file->fd() : request.fd;
    ScanFileOutput output(fd, toFile && request.destination.ends_with(".gz"));
    ExportWriter writer(output);
    FolderExport walk(writer, fd, request.isCancelled);
    auto now = std::chrono::system_clock::now().time_since_epoch();
    FolderExport::Result result =
        walk.run(request.folder, request.program, request.version,
                 std::chrono::duration_cast<std::chrono::seconds>(now).count());
    if (result.error != 0)
        return cannotRead(request.folder, std::strerror(result.error));
    if (result.cancelled)
        return std::string("The export was stopped.");
    if (!output.finish())
        return cannotWrite(request.destination, output.error());
    if (toFile)
        if (std::error_code error = file->commit())
            return cannotWrite(request.destination, error.message());
    return Exported{result.entries, result.problems};
}

} // namespace tavelin::ScanFile
