#pragma once

// The agents half of a window's model: the agents found on this computer, the target waiting
// for the user to confirm what is shared, and the one-time tip that points to the agent menu.
//
// Lives on the UI thread, owned by the window's AppModel; `changed` follows every change of its
// state. Detection runs on the worker pool (the login shell may take up to 5 s) and its result
// comes back through the main queue, dropped when the state is gone.

#include "model/AgentTarget.h"
#include "model/Agents.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

class AgentsState : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        // Finds the agents; called on a worker thread.
        std::function<Agents::Detection()> detect;
        Agents::Launcher launcher;
        bool sandboxed = false;
    };

    explicit AgentsState(Services services, QObject* parent = nullptr);

    const std::vector<AgentTarget>& agents() const { return agents_; }
    bool isLoaded() const { return loaded_; }
    const std::optional<AgentTarget>& agentWaiting() const { return waiting_; }
    bool isConfirmingShare() const { return confirming_; }
    bool shareCopiesInstead() const { return copiesInstead_; }
    bool tipShown() const { return tipShown_; }
    const Agents::Launcher& launcher() const { return services_.launcher; }

    // Starts finding the agents in the background.
    void loadAgents();
    // Keeps the target (none: copying) until the user confirms or cancels.
    void confirm(std::optional<AgentTarget> target);
    void cancelConfirmation();
    // Hands the report over; `notify` receives the window's notice on the UI thread: at once,
    // or for a terminal agent once its terminal has been watched on the worker pool. Nothing
    // reaches `notify` once the state is gone.
    void share(const std::optional<AgentTarget>& target, const AgentReport& report,
               const std::string& prompt, const std::string& scopeName,
               std::function<void(const QString&)> notify);
    // A scan finished: the tip shows, once ever.
    void scanFinished();
    void dismissTip();

    // The confirmation's texts for a target (none: copying) and the scope's name (empty: none).
    static QString confirmationTitle(const std::optional<AgentTarget>& target);
    static QString confirmationMessage(const std::optional<AgentTarget>& target,
                                       const std::string& scopeName);
    static QString tipTitle();
    QString tipMessage() const;

Q_SIGNALS:
    void changed();

private:
    Services services_;
    std::vector<AgentTarget> agents_;
    std::optional<std::string> path_;
    bool loaded_ = false;
    bool loading_ = false;
    std::optional<AgentTarget> waiting_;
    bool confirming_ = false;
    bool copiesInstead_ = false;
    bool tipShown_ = false;
};

} // namespace tavelin
