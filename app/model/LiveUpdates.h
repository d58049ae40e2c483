#pragma once

// The window's live updates: after a scan the map follows changes on disk, as the
// "liveUpdates" setting asks, through a LiveUpdater of core. Not for a tree built elsewhere:
// the demonstration's, or a scan read from a file.
//
// Lives on the UI thread and is owned by the window's AppModel, which tells it when a scan
// starts and finishes and when scanning stops; what it has for the model comes back as
// signals: `notice` for the status line, `refreshed` once reported changes are measured.

#include "scan/LiveUpdater.h"
#include "scan/ScanSession.h"
#include "util/MainQueue.h"

#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace tavelin {

class LiveUpdates : public QObject {
    Q_OBJECT
public:
    struct Context {
        std::shared_ptr<MainQueue> queue;
        // The scan history's folder: the program's own writes there cause no work.
        std::string historyDirectory;
    };

    explicit LiveUpdates(Context context, QObject* parent = nullptr);
    ~LiveUpdates() override;

    // The "liveUpdates" setting, true when absent.
    bool enabled() const { return enabled_; }
    // Writes the setting, then starts or stops the watcher.
    void setEnabled(bool enabled);

    // A new scan starts: the watcher stops, and the next one replays what changes from now.
    void scanStarted(const std::shared_ptr<ScanSession>& session);
    // Watches the scan's folder when the setting is on and the scan has finished; else stops.
    void restartWatcher();
    void stopWatcher();

    // The watcher, the position it replays from, the refresh queue and whether it is drained.
    const LiveUpdater& state() const { return *updater_; }

Q_SIGNALS:
    void enabledChanged();
    // Every change reported so far is measured and in the tree.
    void refreshed();
    void notice(const QString& text);

private:
    Context context_;
    bool enabled_ = true;
    std::weak_ptr<ScanSession> session_;
    std::shared_ptr<LiveUpdater> updater_;
};

} // namespace tavelin
