#include "model/AgentsState.h"

#include "widgets/SettingsKeys.h"
#include "widgets/Texts.h"

#include <QSettings>

namespace tavelin {

AgentsState::AgentsState(Services services, QObject* parent)
    : QObject(parent)
    , services_(std::move(services)) {}

void AgentsState::loadAgents() {
    if (loading_)
        return;
    loading_ = true;
    QPointer<AgentsState> self(this);
    services_.pool->submit([self, detect = services_.detect, queue = services_.queue] {
        Agents::Detection found = detect();
        queue->post([self, found = std::move(found)]() mutable {
            if (!self)
                return;
            self->agents_ = std::move(found.targets);
            self->path_ = std::move(found.path);
            self->loaded_ = true;
            self->loading_ = false;
            Q_EMIT self->changed();
        });
    });
}

void AgentsState::confirm(std::optional<AgentTarget> target) {
    copiesInstead_ = !target;
    waiting_ = std::move(target);
    confirming_ = true;
    Q_EMIT changed();
}

void AgentsState::cancelConfirmation() {
    if (!confirming_)
        return;
    confirming_ = false;
    Q_EMIT changed();
}

void AgentsState::share(const std::optional<AgentTarget>& target, const AgentReport& report,
                        const std::string& prompt, const std::string& scopeName,
                        std::function<void(const QString&)> notify) {
    if (confirming_) {
        confirming_ = false;
        Q_EMIT changed();
    }
    if (!target) {
        notify(Agents::copyForAnyAgent(report, prompt, services_.launcher));
        return;
    }
    auto notice = [name = target->name, scopeName](const Agents::Outcome& outcome) {
        if (outcome.status)
            return *outcome.status;
        return QStringLiteral("Opened ") + QString::fromStdString(name) +
               QStringLiteral(" with the report of ") + tavelin::quoted(scopeName) +
               QStringLiteral(".");
    };
    if (!target->isTerminal()) {
        notify(notice(Agents::send(*target, report, prompt, path_, services_.launcher)));
        return;
    }
    // The terminal is watched for a moment before its outcome is known.
    QPointer<AgentsState> self(this);
    services_.pool->submit([self, queue = services_.queue, target = *target, report, prompt,
                            path = path_, launcher = services_.launcher, notice,
                            notify = std::move(notify)] {
        QString text = notice(Agents::send(target, report, prompt, path, launcher));
        queue->post([self, text, notify] {
            if (self)
                notify(text);
        });
    });
}

void AgentsState::scanFinished() {
    if (tipShown_ || QSettings().value(SettingsKeys::agentTipShown, false).toBool())
        return;
    tipShown_ = true;
    Q_EMIT changed();
}

void AgentsState::dismissTip() {
    QSettings().setValue(SettingsKeys::agentTipShown, true);
    if (!tipShown_)
        return;
    tipShown_ = false;
    Q_EMIT changed();
}

QString AgentsState::confirmationTitle(const std::optional<AgentTarget>& target) {
    if (!target)
        return QStringLiteral("Copy Tavelin’s report?");
    return QStringLiteral("Send Tavelin’s report to ") + QString::fromStdString(target->name) +
           QStringLiteral("?");
}

QString AgentsState::confirmationMessage(const std::optional<AgentTarget>& target,
                                         const std::string& scopeName) {
    QString message =
        QStringLiteral("The report lists folder and file names, sizes and dates in ") +
        tavelin::quoted(scopeName.empty() ? "this folder" : scopeName) +
        QStringLiteral(", and what Tavelin already suggests. It never includes what’s inside your "
                       "files.");
    if (!target)
        return message + QStringLiteral(" You choose where to paste it.");
    if (target->isTerminal())
        return message + QStringLiteral(" It can look through your folders, and asks you before "
                                        "it changes anything.");
    return message + QStringLiteral(" ") + QString::fromStdString(target->name) +
           QStringLiteral(" may send it to its own service, as it does with anything you give it.");
}

QString AgentsState::tipTitle() {
    return QStringLiteral("Ask an AI agent about your disk");
}

QString AgentsState::tipMessage() const {
    if (services_.sandboxed)
        return QStringLiteral("Send a summary of this scan to Claude, ChatGPT or another AI chat, "
                              "and get advice on what to clear and how to organize the rest.");
    return linuxText("Send this scan to Claude, Codex or Grok on your Mac. They can look through "
                     "your folders, suggest what to clear and how to organize the rest, and ask "
                     "before changing anything.");
}

} // namespace tavelin
