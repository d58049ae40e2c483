#pragma once

// Watches the startup disk's free space for the life of the process, whether or not a window is
// open: once a minute it reads the mounted disks, records the startup disk's free space in the
// history (at most every 5 minutes, kept 14 days), checks the warning rules and posts a
// notification when they say so. The history and the warning state are loaded on the first
// tick that needs them. Also the source of the tray item and its panel.
//
// Lives on the UI thread.

#include "freespace/AlertState.h"
#include "freespace/FreeSpaceHistory.h"
#include "platform/Volumes.h"

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace tavelin {

class Notifications;

class DiskWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds tickInterval{60};

    struct Environment {
        std::function<std::vector<platform::Volume>()> readVolumes;
        std::function<Date()> now;
        std::filesystem::path directory; // where the history and the warning state live
        bool isDemonstration = false;

        // The program's own: the mounted disks, the system clock, the data folder.
        static Environment live();
    };

    // Reads the disks and starts ticking; the first reading comes with the first tick.
    DiskWatch(Environment environment, Notifications& notifications, QObject* parent = nullptr);
    ~DiskWatch() override;

    // The mounted disks without the read-only ones, in the sidebar's order.
    const std::vector<platform::Volume>& volumes() const { return volumes_; }
    // The disk mounted at "/", when it is listed.
    const platform::Volume* boot() const;
    // The startup disk's recorded free space, oldest first; empty before the first reading.
    const std::vector<FreeSpaceSample>& samples() const;
    Date now() const { return environment_.now(); }

    // Reads the disks again and takes a reading of the startup disk.
    void refresh();

Q_SIGNALS:
    void volumesChanged();
    void samplesChanged();

private:
    void track();
    void warnIfNeeded(const platform::Volume& boot, Date now);

    Environment environment_;
    Notifications& notifications_;
    std::vector<platform::Volume> volumes_;
    QTimer timer_;
    std::optional<FreeSpaceHistory> history_;
    std::optional<AlertState> alertState_;
};

} // namespace tavelin
