#pragma once

// The reclaim rules: a fixed table of well-known places where space can be given back (build
// output, package caches, downloaded SDK images, the Trash…), and the matching of that table
// against a scanned tree.

#include "advisor/AdvisorContext.h"
#include "advisor/reclaim/ReclaimGroup.h"
#include "advisor/reclaim/ReclaimRule.h"
#include "scan/Node.h"

#include <string_view>
#include <vector>

namespace tavelin::Reclaim {

// The table, built once on first use and never changed. Its order matters: `location`,
// `contents` and `inEach` rules claim nodes in this order (the first rule to reach a node owns
// it), and `named` rules that share a name are tried in this order. The "trash" rule looks at
// the home Trash, $XDG_DATA_HOME/Trash (".local/share/Trash" below the home folder by default),
// and at the Trash folders the scanned disk keeps at the top of its mount and of btrfs
// subvolumes, where items from there go.
const std::vector<ReclaimRule>& rules();

// Matches `rules` against the tree under `root`, returning one group per rule that found at
// least one item, largest `freed` first (equal ones in table order). Items are at least 1 MB
// (the Trash holding anything at all), and each node belongs to at most one rule, which no
// other item lies inside or holds. Items that must not be cleared now carry
// `inUse`: a Unity project that is open, the newest debug symbols of each device, editor
// versions that projects in the tree use, and the rustup toolchains and pyenv versions that are
// the default or that a project in the tree pins (Toolchains). Every item carries the project it
// belongs to, looked up with `home` as the limit.
//
// Place-based rules run first, in table order; then one depth-first walk (explicit stack, so
// any depth is safe) finds the `named` rules' folders, entering neither claimed folders nor
// installed software (the system's /usr, /opt, /snap, /var/lib and /nix, user-installed
// Flatpaks and editor extensions), whose folders belong to programs rather than the user's
// projects.
std::vector<ReclaimGroup> find(Node& root, std::string_view home,
                               const std::vector<ReclaimRule>& rules,
                               const AdvisorContext::FileExists& fileExists,
                               const AdvisorContext::ReadFile& readFile);

} // namespace tavelin::Reclaim
