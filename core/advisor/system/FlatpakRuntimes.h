#pragma once

// The runtimes of one Flatpak installation that no installed app uses, worked out from the
// scanned tree and the installation's metadata the way `flatpak uninstall --unused` decides:
// a runtime stays when an app names it as its runtime or SDK, when it extends an app or a
// runtime in use (an extension point of theirs names it, on a branch the point accepts), or
// when it is pinned in the installation's repository settings.

#include "advisor/AdvisorContext.h"
#include "scan/Node.h"

#include <optional>
#include <string>
#include <vector>

namespace tavelin::FlatpakRuntimes {

struct Runtime {
    std::string ref;  // "org.gnome.Platform/x86_64/45"
    const Node* node; // its folder in the tree
};

// The unused runtimes of the installation whose folder (holding app/, runtime/ and repo/) is
// `installation`, in the tree's order; nothing when an app's metadata cannot be read, since
// the runtimes it needs could not be told.
std::optional<std::vector<Runtime>> unused(Node& installation,
                                           const AdvisorContext::ReadFile& readFile);

} // namespace tavelin::FlatpakRuntimes
