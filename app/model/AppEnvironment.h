#pragma once

// The services a window's model uses that differ between the running program and tests: the
// UI thread's queue, the worker pool, the access probe, the disks and their tools, the desktop,
// and where the scan history lives.

#include "model/Agents.h"
#include "model/BreakdownState.h"
#include "platform/Volumes.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavelin {

struct AppEnvironment {
    std::shared_ptr<MainQueue> queue;
    // Runs the walkers and, on its spare thread, the reads and writes of the scan history.
    std::shared_ptr<WorkerPool> pool;
    int workerCount = 2;
    std::function<bool()> accessProbe;
    std::function<std::vector<platform::Volume>()> readVolumes;
    // Set only when the process runs sandboxed: asks access to a folder, answers whether it may
    // now be read.
    std::function<bool(const std::string&)> askFolderAccess;
    std::function<void(const std::string&)> openFile;
    std::function<void(const std::vector<std::string>&)> reveal;
    std::string historyDirectory;
    // Where the undo records of applied batches are kept; "" keeps none.
    std::string undoDirectory;
    std::string userHome;
    BreakdownState::Services disk;
    bool isDemonstration = false;
    // Called when a scan finishes: notifications ask their permission once, at that moment
    // rather than at launch. May be empty.
    std::function<void()> askNotificationPermission;
    // Finds the AI agents, on a worker thread; when empty, none are looked for.
    std::function<Agents::Detection()> detectAgents;
    Agents::Launcher agentLauncher;

    // The program's own: the Qt event loop, the real disks, the XDG data folder.
    static AppEnvironment live();
    // Turns these services into the demonstration's: the generated home stands in for every
    // scan, on a disk of its own; access counts as granted and no scan history is kept.
    void becomeDemonstration();
};

} // namespace tavelin
