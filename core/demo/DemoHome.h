#pragma once

// The home folder shown in the demonstration instead of a scan: projects with their
// dependencies and build output, caches, old downloads and installers, screenshots, copies of
// one photo, large videos, a virtual machine and a Trash. Generated in memory from a fixed seed,
// so every run shows the same folders and sizes; nothing is read from or written to the disk.
// Dates are counted back from the moment it is generated, so ages read the same on any day.

#include "advisor/AdvisorContext.h"
#include "history/ScanRecord.h"
#include "platform/Volumes.h"
#include "scan/ExtensionTally.h"
#include "scan/Node.h"
#include "util/Dates.h"

#include <cstdint>
#include <string_view>

namespace tavelin {

class DemoHome {
public:
    // Where the generated home folder claims to be; no folder there is ever opened.
    static constexpr std::string_view path = "/home/alex";

    // How long before the shown home the demonstration's earlier scan was taken.
    static constexpr int daysBetweenScans = 30;

    // Files below `largeFileThreshold` are folded into their folder, as a scan folds them. With
    // `daysBefore`, the home as it stood that many days before `now`: the files changed since
    // are not there yet.
    static DemoHome generate(Date now, int64_t largeFileThreshold, int daysBefore = 0);

    // The scan taken `daysBetweenScans` days before `now`, which the demonstration compares with:
    // what grew since is what the projects, caches and photos of the last month added.
    static ScanRecord earlierScan(Date now, int64_t largeFileThreshold);

    // The disk the demonstration shows in place of this computer's.
    static platform::Volume disk();

    // What the advisor consults about the demonstration: existence and contents from the
    // generated tree and its projects' marker files, no access dates, no installed applications
    // and no cloud folders.
    static AdvisorContext context(Node::Ptr root, Date now);

    const Node::Ptr& root() const { return root_; }
    const ExtensionTally& kinds() const { return kinds_; }

private:
    DemoHome(Node::Ptr root, ExtensionTally kinds)
        : root_(std::move(root))
        , kinds_(std::move(kinds)) {}

    Node::Ptr root_;
    ExtensionTally kinds_;
};

} // namespace tavelin
