#include "shell/ExportCommand.h"

#include "scanfile/ScanFile.h"
#include "util/Format.h"
#include "util/Paths.h"

#include <filesystem>
#include <ostream>
#include <unistd.h>

namespace tavelin::ExportCommand {

int run(const std::string& path, const std::string& output, std::ostream& errors) {
    std::error_code error;
    std::string folder = standardizedPath(std::filesystem::absolute(path, error).string());
    auto exported = ScanFile::exportFolder(
        {.folder = folder, .destination = output, .fd = STDOUT_FILENO, .version = TAVELIN_VERSION});
    if (auto* problem = std::get_if<std::string>(&exported)) {
        errors << "tavelin: " << *problem << "\n";
        return 1;
    }
    if (int64_t problems = std::get<ScanFile::Exported>(exported).problems; problems > 0)
        errors << "tavelin: " << formatCount(problems)
               << (problems == 1 ? " entry couldn’t be read; it is"
                                 : " entries couldn’t be read; they are")
               << " marked in the export.\n";
    return 0;
}

} // namespace tavelin::ExportCommand
