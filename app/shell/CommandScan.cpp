#include "shell/CommandScan.h"

#include "advisor/Advisor.h"
#include "privacy/Privacy.h"
#include "scan/FolderProblem.h"
#include "util/Format.h"
#include "util/ManualQueue.h"
#include "util/Paths.h"
#include "widgets/ExcludedFolders.h"

#include <filesystem>
#include <ostream>
#include <thread>

namespace tavelin {
namespace {

std::shared_ptr<ScanSession> scan(const std::string& path, bool showProgress,
                                  std::ostream& errors) {
    int workers = ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    auto queue = std::make_shared<ManualQueue>();
    auto session = std::make_shared<ScanSession>(
        path, std::nullopt, PathSet{}, std::nullopt, CommandScan::kLargeFile,
        ScanSession::Context{queue, std::make_shared<WorkerPool>(workers), workers});
    session->setExclusions(ExcludedFolders::exclusions());
    session->start();
    while (!queue->runUntil([&] { return !session->isRunning(); }, std::chrono::milliseconds(250)))
        if (showProgress)
            errors << "\rScanning… " << formatBytes(session->root()->size) << ", "
                   << formatCounted(session->root()->fileCount, "file") << std::flush;
    return session;
}

} // namespace

CommandScan::CommandScan(std::string path, std::shared_ptr<ScanSession> session, Date date,
                         std::vector<Candidate> candidates)
    : path_(std::move(path))
    , session_(std::move(session))
    , date_(date)
    , candidates_(std::move(candidates)) {}

std::optional<CommandScan> CommandScan::run(const std::string& given, bool showProgress,
                                            std::ostream& errors) {
    std::string expanded = expandedHome(given, Privacy::userHome());
    if (std::optional<std::string> problem = folderProblem(expanded)) {
        errors << "tavelin: " << *problem << "\n";
        return std::nullopt;
    }
    std::error_code error;
    std::string path = standardizedPath(std::filesystem::absolute(expanded, error).string());
    std::shared_ptr<ScanSession> session = scan(path, showProgress, errors);
    if (showProgress)
        errors << "\rLooking for what could go…\x1b[K" << std::flush;
    Date now = std::chrono::system_clock::now();
    AdvisorContext context = AdvisorContext::live(session->root(), Privacy::userHome(), now);
    context.exclude(session->exclusions());
    std::vector<Candidate> found = Advisor::candidates(context, Advisor::quickDetectors());
    for (Candidate& slow : Advisor::candidates(context, Advisor::slowDetectors()))
        found.push_back(std::move(slow));
    if (showProgress)
        errors << "\r\x1b[K" << std::flush;
    return CommandScan(std::move(path), std::move(session), now, std::move(found));
}

} // namespace tavelin
