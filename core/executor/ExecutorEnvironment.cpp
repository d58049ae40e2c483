#include "executor/ExecutorEnvironment.h"

#include "advisor/cloud/CloudStorage.h"
#include "executor/Executor.h"
#include "platform/Account.h"
#include "platform/ComputerName.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"
#include "util/LinuxWordings.h"

namespace tavelin {

ExecutorEnvironment ExecutorEnvironment::live() {
    ExecutorEnvironment env;
    env.trash = [](const std::string& path) -> std::optional<std::string> {
        platform::TrashOutcome outcome =
            platform::moveToTrash(path, std::chrono::system_clock::now());
        if (outcome.error != 0)
            return std::nullopt;
        return outcome.trashed;
    };
    env.trashFolder = platform::homeTrash() + "/files";
    env.home = platform::homeFolder();
    env.run = Executor::runProcess;
    env.cloudState = Executor::liveCloudState;
    env.evictICloud = [](const std::string&) { return false; };
    env.download = [](const std::string&) { return false; };
    env.macName = [] {
        return platform::computerName().value_or(std::string(linuxWording("this Mac")));
    };
    env.now = [] { return std::chrono::system_clock::now(); };
    std::string home = env.home;
    env.freeSpace = [home] { return platform::availableBytes(home).value_or(0); };
    env.canMakeOnlineOnly = CloudStorage::canMakeOnlineOnly;
    env.mergeCopy = platform::dedupeInto;
    return env;
}

} // namespace tavelin
