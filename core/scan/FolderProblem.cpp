#include "scan/FolderProblem.h"

#include "platform/Directories.h"
#include "util/Text.h"

#include <cerrno>
#include <system_error>

namespace tavelin {

std::optional<int> folderReadError(const std::string& path) {
    platform::UniqueFd folder = platform::openFolder(path.c_str());
    if (folder && platform::openListing(folder.get()))
        return std::nullopt;
    return errno;
}

std::optional<std::string> folderProblem(const std::string& path) {
    if (auto error = folderReadError(path))
        return folderProblemText(path, *error);
    return std::nullopt;
}

std::string folderProblemText(std::string_view path, int error) {
    std::string quoted = "“" + singleLine(path) + "”";
    switch (error) {
    case ENOENT:
        return quoted + " does not exist.";
    case ELOOP:
        return quoted + " leads to a loop of symbolic links.";
    case ENAMETOOLONG:
        return "The path " + quoted + " is too long.";
    case EACCES:
    case EPERM:
        return "You don’t have permission to open " + quoted + ".";
    case ENOTDIR:
        return quoted + " is not a folder.";
    default:
        return quoted + " cannot be opened (" + std::generic_category().message(error) + ").";
    }
}

} // namespace tavelin
