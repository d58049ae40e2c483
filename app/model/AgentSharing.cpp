// The window model's side of the AI agent hand-off: making the report from what the window
// shows, and the share and confirmation steps.

#include "model/AppModel.h"
#include "model/KindCatalog.h"
#include "report/AgentPrompt.h"
#include "widgets/SettingsKeys.h"

#include <QSettings>

namespace tavelin {

std::string AppModel::scopeName() const {
    return current_ ? current_->name : std::string();
}

std::optional<AgentReport> AppModel::makeReport() const {
    if (!session_ || !session_->root())
        return std::nullopt;
    AgentReport::Input input{.scope = current_ ? current_ : session_->root(),
                             .root = session_->root()};
    if (const platform::Volume* volume = volumeScanning(session_->path())) {
        input.diskName = volume->name;
        input.diskTotal = volume->total;
        input.diskFree = volume->free;
    }
    // The report's sizes are space on disk, whatever the window shows.
    for (const KindTotal& kind : KindCatalog::totals(session_->kinds(), Measure::allocated))
        input.kinds.push_back({kind.name.toStdString(), kind.bytes, kind.files});
    input.changes = history_->changes();
    if (const ScanRecord* previous = history_->previousRecord())
        input.changesSince = previous->date;
    input.suggestions = advisor_->visible();
    input.breakdown = breakdown_->breakdown();
    input.device = breakdown_->device();
    input.home = environment_.userHome;
    input.source = importedFrom_;
    input.exclusions = session_->exclusions().entries();
    input.excluded = session_->excluded();
    return AgentReport(input, AgentReport::budget(agentPrompt()));
}

std::string AppModel::agentPrompt() const {
    QString custom = QSettings().value(SettingsKeys::agentPrompt).toString().trimmed();
    return custom.isEmpty() ? AgentPrompt::standard() : custom.toStdString();
}

void AppModel::ask(std::optional<AgentTarget> target) {
    if (!session_ || !session_->root())
        return;
    if (QSettings().value(SettingsKeys::agentShareAcknowledged, false).toBool())
        share(std::move(target));
    else
        agents_->confirm(std::move(target));
}

void AppModel::share(std::optional<AgentTarget> target) {
    std::optional<AgentReport> report = makeReport();
    if (!report)
        return;
    agents_->share(target, *report, agentPrompt(), scopeName(),
                   [this](const QString& notice) { setNotice(notice); });
}

void AppModel::showReport() {
    std::optional<AgentReport> report = makeReport();
    if (!report)
        return;
    const Agents::Launcher& launcher = agents_->launcher();
    auto saved = Agents::save(*report, launcher);
    if (auto* error = std::get_if<std::string>(&saved))
        setNotice(QString::fromStdString(*error));
    else
        launcher.openFile(std::get<std::filesystem::path>(saved).string());
}

} // namespace tavelin
