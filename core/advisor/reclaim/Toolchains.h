#pragma once

// Which installed toolchains something still uses: the version manager's own default, and the
// pins of project folders. rustup reads its default and per-folder overrides from
// ~/.rustup/settings.toml and a project's pin from rust-toolchain.toml or rust-toolchain;
// pyenv its global version from ~/.pyenv/version and a project's from .python-version. A
// toolchain in use is shown, never planned, the way an editor a project uses is.

#include "advisor/AdvisorContext.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::Toolchains {

enum class Manager { rustup, pyenv };

struct InUse {
    std::vector<std::string> defaults;                     // names the manager's settings give
    std::vector<std::pair<std::string, std::string>> pins; // (name pinned, project folder name)
};

// What the manager's settings in `home` and the pin files of `projectFolders` name; files that
// are missing or unreadable name nothing.
InUse read(Manager manager, std::string_view home, const std::vector<std::string>& projectFolders,
           const AdvisorContext::ReadFile& readFile);

// Why the installed toolchain folder `name` must stay ("rustup’s default toolchain", "pyenv’s
// global version", "Used by A and B"), or nothing when nothing uses it. A name given without
// its host ("stable", "1.79") matches the folder of that toolchain for any host
// ("stable-x86_64-unknown-linux-gnu"); a pyenv prefix ("3.12") matches its releases ("3.12.4").
std::optional<std::string> reason(Manager manager, std::string_view name, const InUse& inUse);

} // namespace tavelin::Toolchains
