#pragma once

// Project folders: which one an item belongs to, and what to call it. A folder is a project
// root when it holds ".git" (a repository or a linked worktree), a Unity project's "Assets"
// and "ProjectSettings", or an ".xcodeproj".

#include "advisor/AdvisorContext.h"
#include "advisor/Project.h"
#include "scan/Node.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tavelin::Projects {

// Folder names that say nothing about the project (compared in lower case); such a project is
// called by its parent folder's name instead.
inline constexpr std::array<std::string_view, 11> kGenericNames{
    "repo",    "src",       "source", "app",    "code", "main",
    "project", "workspace", "trunk",  "master", "dev",
};

// Answers by folder path, shared by all lookups of one run.
using Cache = std::unordered_map<std::string, std::optional<Project>>;

// The project for a folder known to be a project root. A linked worktree (a ".git" file reading
// "gitdir: …/.git/worktrees/…", absolute or relative to the folder) belongs to its main
// checkout, so all worktrees of a repository form one project.
Project project(std::string_view path, const AdvisorContext::ReadFile& readFile);

// The innermost project root among the node's ancestors, from its parent upward. The search
// stops, finding nothing, at the folder `under` (the home folder) or any folder above it, and
// at the top of the tree; those folders are not examined. Every folder examined records the
// answer in `cache`, so later lookups through it stop at once.
std::optional<Project> owner(const Node& node, std::string_view under,
                             const AdvisorContext::FileExists& fileExists,
                             const AdvisorContext::ReadFile& readFile, Cache& cache);

} // namespace tavelin::Projects
