#include "advisor/Projects.h"

#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <vector>

namespace tavelin::Projects {
namespace {

constexpr std::string_view kWorktreeMarker = "/.git/worktrees/";
constexpr std::string_view kSpace = " \t\n\r\v\f";

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The main checkout of a linked worktree, or `path` itself.
std::string checkoutRoot(std::string_view path, const AdvisorContext::ReadFile& readFile) {
    constexpr std::string_view kPrefix = "gitdir:";
    auto text = readFile(joinPath(path, ".git"));
    if (!text || !text->starts_with(kPrefix))
        return std::string(path);
    std::string gitdir(trimmed(std::string_view(*text).substr(kPrefix.size())));
    if (!gitdir.starts_with('/'))
        gitdir = standardizedPath(joinPath(path, gitdir));
    size_t marker = gitdir.find(kWorktreeMarker);
    if (marker == std::string::npos)
        return std::string(path);
    return marker == 0 ? "/" : gitdir.substr(0, marker);
}

bool isGeneric(std::string_view name) {
    std::string lower = lowercased(name);
    return std::ranges::find(kGenericNames, lower) != kGenericNames.end();
}

// `path` is `under` or one of the folders above it.
bool isAtOrAbove(std::string_view path, std::string_view under) {
    if (path == under)
        return true;
    return under.starts_with(path) && (path.ends_with('/') || under[path.size()] == '/');
}

bool isProjectRoot(const Node& folder, const std::string& path,
                   const AdvisorContext::FileExists& fileExists) {
    bool assets = false, settings = false, xcodeProject = false;
    for (const auto& child : folder.children()) {
        const std::string& name = child->name;
        if (name == ".git")
            return true;
        assets = assets || name == "Assets";
        settings = settings || name == "ProjectSettings";
        xcodeProject = xcodeProject || name.ends_with(".xcodeproj");
    }
    return fileExists(joinPath(path, ".git")) || (assets && settings) || xcodeProject;
}

} // namespace

Project project(std::string_view path, const AdvisorContext::ReadFile& readFile) {
    std::string root = checkoutRoot(path, readFile);
    std::string name = lastPathComponent(root);
    if (isGeneric(name))
        name = lastPathComponent(parentPath(root));
    return {std::move(root), std::move(name)};
}

std::optional<Project> owner(const Node& node, std::string_view under,
                             const AdvisorContext::FileExists& fileExists,
                             const AdvisorContext::ReadFile& readFile, Cache& cache) {
    std::vector<std::string> examined;
    std::optional<Project> answer;
    const Node* folder = node.parent();
    // Each parent's path is its child's without the last component: worked out once, not per
    // level, so deep trees cost no more than their depth.
    std::string path = folder ? folder->path() : std::string();
    for (; folder && folder->parent() && !folder->isRoot();
         folder = folder->parent(), path = parentPath(path)) {
        if (isAtOrAbove(path, under))
            break;
        if (auto known = cache.find(path); known != cache.end()) {
            answer = known->second;
            break;
        }
        examined.push_back(path);
        if (isProjectRoot(*folder, path, fileExists)) {
            answer = project(path, readFile);
            break;
        }
    }
    for (std::string& path : examined)
        cache.insert_or_assign(std::move(path), answer);
    return answer;
}

} // namespace tavelin::Projects
