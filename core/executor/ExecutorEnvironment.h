#pragma once

// Everything the executor asks of the machine, as replaceable callbacks: the application passes
// the live environment, tests substitute what they need to provoke (a Trash that refuses, a
// copy that changes just before it is merged, a cloud provider).

#include "advisor/cloud/CloudProvider.h"
#include "executor/CloudItemState.h"
#include "executor/ProcessOutput.h"
#include "platform/Dedupe.h"
#include "platform/FileIdentity.h"
#include "util/Dates.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct ExecutorEnvironment {
    // Moves the item at the path to the Trash: where it landed, or nothing when it could not
    // move (it then stays where it was).
    std::function<std::optional<std::string>(const std::string& path)> trash;
    std::string trashFolder; // the folder emptying the Trash empties
    std::string home;
    std::function<ProcessOutput(const std::string& executable,
                                const std::vector<std::string>& arguments)>
        run;
    std::function<CloudItemState(const std::string& path)> cloudState;
    // Removes a cloud file's local copy, keeping it in the cloud; false when that failed.
    std::function<bool(const std::string& path)> evictICloud;
    // Starts downloading a cloud file again; false when that could not start.
    std::function<bool(const std::string& path)> download;
    std::function<std::string()> macName; // the computer's name
    std::function<Date()> now;
    std::function<int64_t()> freeSpace; // free bytes of the disk holding `home`; 0 when unknown
    std::chrono::milliseconds pollInterval{10'000};
    // Whether files in the provider's folder can be made online-only here.
    std::function<bool(const CloudProvider&)> canMakeOnlineOnly;
    // Makes a checked copy share the kept file's data (the last step of merging duplicates).
    std::function<platform::DedupeOutcome(const std::string& keep,
                                          const platform::FileIdentity& copy)>
        mergeCopy;

    // This machine: the freedesktop Trash (its home `files/` folder is `trashFolder`), the
    // user's home folder (platform::homeFolder), tools run as child processes, the computer's name
    // (else "this computer"), the free space of the home folder's disk, and merging through the
    // file system's deduplication. Linux offers no interface to make synced files online-only:
    // no provider can, every file is `notInCloud`, and evicting or downloading fails.
    static ExecutorEnvironment live();
};

} // namespace tavelin
