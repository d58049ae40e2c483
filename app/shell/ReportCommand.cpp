#include "shell/ReportCommand.h"

#include "advisor/Advisor.h"
#include "model/KindCatalog.h"
#include "platform/Volumes.h"
#include "privacy/Privacy.h"
#include "report/AgentPrompt.h"
#include "report/AgentReport.h"
#include "scan/ScanSession.h"
#include "util/Format.h"
#include "util/ManualQueue.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <filesystem>
#include <ostream>
#include <thread>

namespace tavelin::ReportCommand {
namespace {

constexpr int64_t kLargeFile = 1'000'000;

std::shared_ptr<ScanSession> scan(const std::string& path, bool showProgress,
                                  std::ostream& errors) {
    int workers = ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    auto queue = std::make_shared<ManualQueue>();
    auto session = std::make_shared<ScanSession>(
        path, std::nullopt, PathSet{}, std::nullopt, kLargeFile,
        ScanSession::Context{queue, std::make_shared<WorkerPool>(workers), workers});
    session->start();
    while (!queue->runUntil([&] { return !session->isRunning(); }, std::chrono::milliseconds(250)))
        if (showProgress)
            errors << "\rScanning… " << formatBytes(session->root()->size) << ", "
                   << formatCounted(session->root()->fileCount, "file") << std::flush;
    if (showProgress)
        errors << "\rLooking for what could go…\x1b[K" << std::flush;
    return session;
}

} // namespace

int run(const std::string& given, bool condensed, bool showProgress, std::ostream& output,
        std::ostream& errors) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(given, error);
    std::string path = standardizedPath(absolute.string());
    if (error || !std::filesystem::is_directory(path, error)) {
        errors << "tavelin: “" << singleLine(given) << "” isn’t a folder that can be scanned.\n";
        return 1;
    }
    std::shared_ptr<ScanSession> session = scan(path, showProgress, errors);
    Node::Ptr root = session->root();
    Date now = std::chrono::system_clock::now();
    AdvisorContext context = AdvisorContext::live(root, Privacy::userHome(), now);
    AgentReport::Input input{.scope = root, .root = root};
    input.suggestions = Advisor::candidates(context, Advisor::quickDetectors());
    for (Candidate& found : Advisor::candidates(context, Advisor::slowDetectors()))
        input.suggestions.push_back(std::move(found));
    for (const platform::Volume& volume : platform::readVolumes())
        if (volume.scanPath == path) {
            input.diskName = volume.name;
            input.diskTotal = volume.total;
            input.diskFree = volume.free;
        }
    for (const KindTotal& kind : KindCatalog::totals(session->kinds()))
        input.kinds.push_back({kind.name.toStdString(), kind.bytes, kind.files});
    input.now = now;
    input.home = Privacy::userHome();
    if (showProgress)
        errors << "\r\x1b[K" << std::flush;
    AgentReport report(input, AgentReport::budget(AgentPrompt::standard()));
    output << (condensed ? report.condensed : report.markdown) << "\n";
    return 0;
}

} // namespace tavelin::ReportCommand
