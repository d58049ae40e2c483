#include "model/BreakdownState.h"

#include "diskinfo/DiskInfo.h"

#include <QPointer>

namespace tavelin {

BreakdownState::Services BreakdownState::Services::live() {
    auto system = std::make_shared<const DiskSystem>(DiskSystem::live());
    return {[system](const std::string& path) { return DiskInfo::load(path, *system); },
            [system](const std::string& path) { return DiskInfo::device(path, *system); },
            [system](const std::string& path) {
                return DiskInfo::deleteLocalSnapshots(path, *system);
            }};
}

BreakdownState::BreakdownState(Services services, std::shared_ptr<MainQueue> queue,
                               std::shared_ptr<WorkerPool> pool, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , queue_(std::move(queue))
    , pool_(std::move(pool)) {}

void BreakdownState::reset(const std::string& path, bool isDisk) {
    ++generation_;
    breakdown_.reset();
    device_.clear();
    snapshotNotice_.reset();
    deleting_ = false;
    loading_ = isDisk;
    Q_EMIT changed();
    if (isDisk)
        load(path, [] {});
}

void BreakdownState::load(const std::string& path, std::function<void()> done) {
    QPointer<BreakdownState> state(this);
    int generation = generation_;
    pool_->submit(
        [services = services_, queue = queue_, path, state, generation, done = std::move(done)] {
            std::optional<DiskBreakdown> breakdown = services.load(path);
            std::string device = breakdown ? services.device(path).value_or("") : "";
            queue->post([=, breakdown = std::move(breakdown)] {
                if (!state || state->generation_ != generation)
                    return;
                state->breakdown_ = breakdown;
                state->device_ = device;
                state->loading_ = false;
                Q_EMIT state->changed();
                done();
            });
        });
}

void BreakdownState::deleteLocalSnapshots(const std::string& path, std::function<void()> done) {
    if (deleting_)
        return;
    deleting_ = true;
    snapshotNotice_.reset();
    Q_EMIT changed();
    QPointer<BreakdownState> state(this);
    int generation = generation_;
    pool_->submit([services = services_, queue = queue_, path, state, generation,
                   done = std::move(done)] {
        std::optional<std::string> error = services.deleteSnapshots(path);
        queue->post([=] {
            if (!state || state->generation_ != generation)
                return;
            state->deleting_ = false;
            state->snapshotNotice_ =
                error ? QStringLiteral("Couldn’t delete them: ") + QString::fromStdString(*error)
                      : QStringLiteral("Local snapshots deleted.");
            Q_EMIT state->changed();
            state->load(path, done);
        });
    });
}

} // namespace tavelin
