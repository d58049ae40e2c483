#include "util/Paths.h"

#include <vector>

namespace tavelin {

std::string standardizedPath(std::string_view path) {
    if (path.empty())
        return {};
    bool absolute = path.front() == '/';
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view piece = path.substr(start, end - start);
        start = end + 1;
        if (piece.empty() || piece == ".")
            continue;
        if (piece == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!absolute)
                parts.push_back(piece);
            continue;
        }
        parts.push_back(piece);
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result += '/';
        result += parts[i];
    }
    return result.empty() ? "." : result;
}

std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path == "/")
        return std::string(path);
    return std::string(path.substr(slash + 1));
}

std::string parentPath(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

bool isBelow(std::string_view path, std::string_view folder) {
    return path.size() > folder.size() && path.starts_with(folder) &&
           (folder == "/" || path[folder.size()] == '/');
}

std::string joinPath(std::string_view parent, std::string_view name) {
    std::string result;
    result.reserve(parent.size() + name.size() + 1);
    result += parent;
    appendPathComponent(result, name);
    return result;
}

void appendPathComponent(std::string& path, std::string_view name) {
    if (path != "/")
        path += '/';
    path += name;
}

std::string expandedHome(const std::string& path, const std::string& home) {
    if (path == "~")
        return home;
    if (path.starts_with("~/"))
        return home + path.substr(1);
    return path;
}

} // namespace tavelin
