#include "shell/ReportCommand.h"

#include "model/KindCatalog.h"
#include "platform/Volumes.h"
#include "privacy/Privacy.h"
#include "report/AgentPrompt.h"
#include "report/AgentReport.h"
#include "shell/CommandScan.h"

#include <ostream>

namespace tavelin::ReportCommand {

int run(const std::string& given, bool condensed, bool showProgress, std::ostream& output,
        std::ostream& errors) {
    std::optional<CommandScan> scanned = CommandScan::run(given, showProgress, errors);
    if (!scanned)
        return 1;
    Node::Ptr root = scanned->session()->root();
    AgentReport::Input input{.scope = root, .root = root};
    input.suggestions = scanned->candidates();
    for (const platform::Volume& volume : platform::readVolumes())
        if (volume.scanPath == scanned->path()) {
            input.diskName = volume.name;
            input.diskTotal = volume.total;
            input.diskFree = volume.free;
        }
    for (const KindTotal& kind : KindCatalog::totals(scanned->session()->kinds()))
        input.kinds.push_back({kind.name.toStdString(), kind.bytes, kind.files});
    input.now = scanned->date();
    input.home = Privacy::userHome();
    AgentReport report(input, AgentReport::budget(AgentPrompt::standard()));
    output << (condensed ? report.condensed : report.markdown) << "\n";
    return 0;
}

} // namespace tavelin::ReportCommand
