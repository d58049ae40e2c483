#include "model/HistoryComparison.h"

#include "history/History.h"
#include "util/Paths.h"

#include <QPointer>
#include <algorithm>
#include <chrono>

namespace tavelin {

HistoryComparison::HistoryComparison(Context context, QObject* parent)
    : QObject(parent)
    , context_(std::move(context)) {}

History::Store HistoryComparison::store() const {
    return History::Store(context_.directory, kKeptRecords);
}

template <typename Work, typename Done>
void HistoryComparison::inBackground(Work work, Done done) {
    QPointer<HistoryComparison> self(this);
    context_.pool->submit([self, generation = generation_, queue = context_.queue,
                           work = std::move(work), done = std::move(done)]() mutable {
        queue->post([self, generation, done = std::move(done), result = work()]() mutable {
            if (self && self->generation_ == generation)
                done(std::move(result));
        });
    });
}

void HistoryComparison::begin(const std::string& location, Node::Ptr root, std::optional<Date> asOf,
                              std::vector<std::string> excluded) {
    ++generation_;
    location_ = location.starts_with('/') ? standardizedPath(location) : location;
    asOf_ = asOf;
    excluded_ = std::move(excluded);
    std::ranges::sort(excluded_);
    root_ = std::move(root);
    previous_.reset();
    finished_.reset();
    changes_.clear();
    compared_ = false;
    comparing_ = false;
    reading_ = keepsHistory() || context_.previous;
    Q_EMIT changed();
    if (!reading_)
        return;
    auto previous = context_.previous;
    if (!previous)
        previous = [store = store(), excluded = excluded_](const std::string& location,
                                                           Date before) {
            return store.latest(location, before, excluded);
        };
    inBackground(
        [previous, location = location_,
         before = asOf.value_or(std::chrono::system_clock::now())]() -> Record {
            auto record = previous(location, before);
            return record ? std::make_shared<const ScanRecord>(std::move(*record)) : nullptr;
        },
        [this](Record record) {
            previous_ = std::move(record);
            reading_ = false;
            Q_EMIT changed();
            if (finished_)
                compare(std::exchange(finished_, nullptr));
        });
}

void HistoryComparison::finish(const Node& root) {
    ScanRecord made = ScanRecord::of(root, asOf_.value_or(std::chrono::system_clock::now()));
    made.root = location_;
    made.excluded = excluded_;
    auto record = std::make_shared<const ScanRecord>(std::move(made));
    if (keepsHistory())
        context_.pool->submit([store = store(), record] {
            // A failed save only means the next scan has nothing to compare with.
            [[maybe_unused]] auto error = store.save(*record);
        });
    if (reading_)
        finished_ = std::move(record);
    else
        compare(std::move(record));
}

void HistoryComparison::compare(Record finished) {
    if (!previous_)
        return;
    comparing_ = true;
    Q_EMIT changed();
    inBackground(
        [previous = previous_, finished] {
            return History::changes(*previous, *finished, kChangeFloor, kChangeLimit);
        },
        [this](std::vector<Change> changes) {
            changes_ = std::move(changes);
            comparing_ = false;
            compared_ = true;
            Q_EMIT changed();
        });
}

std::optional<int64_t> HistoryComparison::growth(const Node& node) const {
    if (!previous_ || !root_ || node.isScanning)
        return std::nullopt;
    return previous_->growthOf(node, *root_);
}

} // namespace tavelin
