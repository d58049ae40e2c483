#include "shell/ReportCommand.h"

#include "advisor/Advisor.h"
#include "model/KindCatalog.h"
#include "platform/Volumes.h"
#include "privacy/Privacy.h"
#include "report/AgentPrompt.h"
#include "report/AgentReport.h"
#include "scan/ScanSession.h"
#include "scanfile/ScanFile.h"
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

// Prints the report of a finished tree, with the advisor's `suggestions`.
void print(const Node::Ptr& root, const ExtensionTally& kinds, std::vector<Candidate> suggestions,
           AgentReport::Input input, bool condensed, std::ostream& output) {
    input.scope = input.root = root;
    input.suggestions = std::move(suggestions);
    for (const KindTotal& kind : KindCatalog::totals(kinds))
        input.kinds.push_back({kind.name.toStdString(), kind.bytes, kind.files});
    input.home = Privacy::userHome();
    AgentReport report(input, AgentReport::budget(AgentPrompt::standard()));
    output << (condensed ? report.condensed : report.markdown) << "\n";
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
    std::vector<Candidate> suggestions = Advisor::candidates(context, Advisor::quickDetectors());
    for (Candidate& found : Advisor::candidates(context, Advisor::slowDetectors()))
        suggestions.push_back(std::move(found));
    AgentReport::Input input;
    input.now = now;
    for (const platform::Volume& volume : platform::readVolumes())
        if (volume.scanPath == path) {
            input.diskName = volume.name;
            input.diskTotal = volume.total;
            input.diskFree = volume.free;
        }
    if (showProgress)
        errors << "\r\x1b[K" << std::flush;
    print(root, session->kinds(), std::move(suggestions), input, condensed, output);
    return 0;
}

int runImported(const std::string& file, bool condensed, bool showProgress, std::ostream& output,
                std::ostream& errors) {
    if (showProgress)
        errors << "Reading the scan file…" << std::flush;
    auto read = ScanFile::open(file, kLargeFile);
    if (showProgress)
        errors << "\r\x1b[K" << std::flush;
    if (auto* problem = std::get_if<std::string>(&read)) {
        errors << "tavelin: " << *problem << "\n";
        return 1;
    }
    const ImportedScan& scan = std::get<ImportedScan>(read);
    Date now = std::chrono::system_clock::now();
    // Its files are elsewhere: the suggestions come from names and paths alone.
    AdvisorContext context = AdvisorContext::ofTree(
        scan.root, ImportedScan::homeFor(scan.root->path(), Privacy::userHome()), now);
    AgentReport::Input input;
    input.now = now;
    input.source = scan.source();
    print(scan.root, scan.kinds, Advisor::candidates(context, Advisor::quickDetectors()), input,
          condensed, output);
    return 0;
}

} // namespace tavelin::ReportCommand
