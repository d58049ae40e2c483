#include "watch/DiskWatch.h"

#include "freespace/Alerts.h"
#include "model/DataFolder.h"
#include "watch/Notifications.h"

#include <algorithm>

namespace tavelin {
namespace {

std::vector<platform::Volume> writable(std::vector<platform::Volume> volumes) {
    std::erase_if(volumes, [](const platform::Volume& volume) { return volume.isReadOnly; });
    return volumes;
}

} // namespace

DiskWatch::Environment DiskWatch::Environment::live() {
    return {[] { return platform::readVolumes(); }, [] { return std::chrono::system_clock::now(); },
            dataFolder(), false};
}

DiskWatch::DiskWatch(Environment environment, Notifications& notifications, QObject* parent)
    : QObject(parent)
    , environment_(std::move(environment))
    , notifications_(notifications)
    , volumes_(writable(environment_.readVolumes())) {
    timer_.setInterval(tickInterval);
    connect(&timer_, &QTimer::timeout, this, &DiskWatch::refresh);
    timer_.start();
}

DiskWatch::~DiskWatch() = default;

const platform::Volume* DiskWatch::boot() const {
    auto found = std::ranges::find_if(volumes_, &platform::Volume::isBoot);
    return found == volumes_.end() ? nullptr : &*found;
}

const std::vector<FreeSpaceSample>& DiskWatch::samples() const {
    static const std::vector<FreeSpaceSample> kNone;
    return history_ ? history_->samples() : kNone;
}

void DiskWatch::refresh() {
    std::vector<platform::Volume> volumes = writable(environment_.readVolumes());
    if (volumes != volumes_) {
        volumes_ = std::move(volumes);
        Q_EMIT volumesChanged();
    }
    track();
}

void DiskWatch::track() {
    const platform::Volume* disk = boot();
    if (environment_.isDemonstration || !disk)
        return;
    Date now = environment_.now();
    bool loaded = !history_;
    if (loaded)
        history_.emplace(environment_.directory, FreeSpaceHistory::defaultInterval,
                         FreeSpaceHistory::defaultRetention);
    // Loading brings earlier samples even when this reading comes too soon to be kept.
    if (history_->record(disk->free, disk->total, now) || loaded)
        Q_EMIT samplesChanged();
    if (Notifications::isEnabled() && notifications_.inBundle())
        warnIfNeeded(*disk, now);
}

void DiskWatch::warnIfNeeded(const platform::Volume& disk, Date now) {
    if (!alertState_)
        alertState_ = AlertState::load(environment_.directory);
    AlertState before = *alertState_;
    auto alert = Alerts::evaluate(history_->samples(), {now, disk.free, disk.total}, *alertState_);
    if (*alertState_ != before)
        alertState_->save(environment_.directory);
    if (alert)
        notifications_.post(*alert, QString::fromStdString(disk.name));
}

} // namespace tavelin
