#include "model/AppEnvironment.h"

#include "demo/DemoHome.h"
#include "model/DataFolder.h"
#include "model/FileManager.h"
#include "model/QtMainQueue.h"
#include "privacy/Privacy.h"
#include "scan/ScanSession.h"
#include "widgets/SandboxAccess.h"

#include <thread>

namespace tavelin {

AppEnvironment AppEnvironment::live() {
    int workers = ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    AppEnvironment environment;
    environment.queue = std::make_shared<QtMainQueue>();
    environment.pool = std::make_shared<WorkerPool>(workers + 1);
    environment.workerCount = workers;
    // Linux has no permission that guards protected folders: access counts as granted.
    environment.accessProbe = [] { return true; };
    environment.readVolumes = [] { return platform::readVolumes(); };
    if (SandboxAccess::isSandboxed())
        environment.askFolderAccess = SandboxAccess::request;
    environment.openFile = FileManager::openFile;
    environment.reveal = FileManager::reveal;
    environment.historyDirectory = (dataFolder() / "History").string();
    environment.undoDirectory = (dataFolder() / "undo").string();
    environment.userHome = Privacy::userHome();
    environment.disk = BreakdownState::Services::live();
    environment.detectAgents = [sandboxed = static_cast<bool>(environment.askFolderAccess),
                                home = environment.userHome] {
        return Agents::detect(sandboxed, home);
    };
    environment.agentLauncher = Agents::Launcher::live();
    return environment;
}

void AppEnvironment::becomeDemonstration() {
    isDemonstration = true;
    accessProbe = [] { return true; };
    askFolderAccess = {};
    readVolumes = [] { return std::vector<platform::Volume>{DemoHome::disk()}; };
    historyDirectory.clear();
    undoDirectory.clear();
    userHome = DemoHome::path;
}

} // namespace tavelin
