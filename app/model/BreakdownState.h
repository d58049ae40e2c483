#pragma once

// The window's disk breakdown: loaded in the background for a whole-disk scan, with the local
// snapshots' deletion and its notice. AppModel owns one and resets it with every scan.
//
// Lives on the UI thread. The tools run on the worker pool; their results come back through
// the main queue and are dropped when the state is gone or a newer load has started.

#include "diskinfo/DiskBreakdown.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tavelin {

class BreakdownState : public QObject {
    Q_OBJECT
public:
    // The disk tools, each called on a worker thread with the scanned path.
    struct Services {
        std::function<std::optional<DiskBreakdown>(const std::string& path)> load;
        std::function<std::optional<std::string>(const std::string& path)> device;
        std::function<std::optional<std::string>(const std::string& path)> deleteSnapshots;

        // The running system's tools.
        static Services live();
    };

    BreakdownState(Services services, std::shared_ptr<MainQueue> queue,
                   std::shared_ptr<WorkerPool> pool, QObject* parent = nullptr);

    const std::optional<DiskBreakdown>& breakdown() const { return breakdown_; }
    // The device the scanned path's file system comes from, once a breakdown has loaded.
    const std::string& device() const { return device_; }
    bool isLoading() const { return loading_; }
    bool isDeleting() const { return deleting_; }
    const std::optional<QString>& snapshotNotice() const { return snapshotNotice_; }

    // A new scan of `path`: clears the breakdown and its notice, and loads the disk's breakdown
    // when the scan is of a whole disk.
    void reset(const std::string& path, bool isDisk);
    // Deletes the local snapshots of the disk holding `path`, sets the notice, then loads the
    // breakdown again. `done` runs on the UI thread at the end, while the state still exists.
    void deleteLocalSnapshots(const std::string& path, std::function<void()> done);

Q_SIGNALS:
    void changed();

private:
    void load(const std::string& path, std::function<void()> done);

    Services services_;
    std::shared_ptr<MainQueue> queue_;
    std::shared_ptr<WorkerPool> pool_;
    std::optional<DiskBreakdown> breakdown_;
    std::string device_;
    bool loading_ = false;
    bool deleting_ = false;
    std::optional<QString> snapshotNotice_;
    // Raised by every reset, so that a load for an earlier scan is never shown.
    int generation_ = 0;
};

} // namespace tavelin
