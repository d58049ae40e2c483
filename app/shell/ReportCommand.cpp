#include "shell/ReportCommand.h"

#include "advisor/Advisor.h"
#include "model/KindCatalog.h"
#include "platform/Volumes.h"
#include "privacy/Privacy.h"
#include "report/AgentPrompt.h"
#include "report/AgentReport.h"
#include "scanfile/ScanFile.h"
#include "shell/CommandScan.h"

#include <ostream>

namespace tavelin::ReportCommand {
namespace {

// Prints the report of a finished tree, with the advisor's `suggestions`.
void print(const Node::Ptr& root, const ExtensionTally& kinds, std::vector<Candidate> suggestions,
           AgentReport::Input input, bool condensed, std::ostream& output) {
    input.scope = input.root = root;
    input.suggestions = std::move(suggestions);
    for (const KindTotal& kind : KindCatalog::totals(kinds, Measure::allocated))
        input.kinds.push_back({kind.name.toStdString(), kind.bytes, kind.files});
    input.home = Privacy::userHome();
    AgentReport report(input, AgentReport::budget(AgentPrompt::standard()));
    output << (condensed ? report.condensed : report.markdown) << "\n";
}

} // namespace

int run(const std::string& given, bool condensed, bool showProgress, std::ostream& output,
        std::ostream& errors) {
    std::optional<CommandScan> scanned = CommandScan::run(given, showProgress, errors);
    if (!scanned)
        return 1;
    AgentReport::Input input;
    input.now = scanned->date();
    for (const platform::Volume& volume : platform::readVolumes())
        if (volume.scanPath == scanned->path()) {
            input.diskName = volume.name;
            input.diskTotal = volume.total;
            input.diskFree = volume.free;
        }
    input.exclusions = scanned->session()->exclusions().entries();
    input.excluded = scanned->session()->excluded();
    print(scanned->session()->root(), scanned->session()->kinds(), scanned->candidates(), input,
          condensed, output);
    return 0;
}

int runImported(const std::string& file, bool condensed, bool showProgress, std::ostream& output,
                std::ostream& errors) {
    if (showProgress)
        errors << "Reading the scan file…" << std::flush;
    auto read = ScanFile::open(file, CommandScan::kLargeFile);
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
