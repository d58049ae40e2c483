#pragma once

// What changed since the previous scan of the shown location. When a scan starts, the newest
// stored record of its location is read; when it finishes, a record of the new tree is saved
// and compared with the previous one. Reading, comparing and saving run on the worker pool,
// never on the UI thread, so a huge or blocking file in the history cannot stall the window;
// what comes back for a scan that has since been replaced is dropped.
//
// Lives on the UI thread and is owned by the window's AppModel; `changed` follows every change
// of its state.

#include "history/Change.h"
#include "history/ScanRecord.h"
#include "history/Store.h"
#include "scan/Node.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

class HistoryComparison : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeptRecords = 20;
    // Changes smaller than this are not listed, and no more than the limit are.
    static constexpr int64_t kChangeFloor = 50'000'000;
    static constexpr int kChangeLimit = 60;

    struct Context {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        // Where the records are kept; empty when none are read or written (the demonstration).
        std::string directory;
        // When set, answers the record to compare with for a location and a moment instead of
        // the kept records (the demonstration's earlier scan).
        std::function<std::optional<ScanRecord>(const std::string& location, Date before)>
            previous{};
    };

    explicit HistoryComparison(Context context, QObject* parent = nullptr);

    // Forgets the last scan's comparison and starts reading the newest record of `location`
    // dated before `asOf` (now when not given) made with the same exclusions: the scanned
    // path, or for a scan read from a file, a location of its own. `root` is the new scan's
    // tree, the one `growth` measures; `excluded`, what the scan leaves out.
    void begin(const std::string& location, Node::Ptr root, std::optional<Date> asOf = std::nullopt,
               std::vector<std::string> excluded = {});
    // Saves a record of the finished tree under the location, dated as of `begin`, and compares
    // it with the previous record as soon as that has been read.
    void finish(const Node& root);

    // The previous record of this location: nothing while it is read, or when there is none.
    const ScanRecord* previousRecord() const { return previous_.get(); }
    // Whether the previous record is still being read, or the finished scan compared with it.
    bool isBusy() const { return reading_ || comparing_; }
    const std::vector<Change>& changes() const { return changes_; }
    // Whether `changes` compares the shown scan with the previous record: only once a scan
    // that has one finishes, never for a stopped scan.
    bool changesCompared() const { return compared_; }
    // How much a node of the shown tree grew since the previous record; nothing for pseudo
    // nodes, nodes still being scanned, and nodes neither recorded nor big enough to be new.
    std::optional<int64_t> growth(const Node& node) const;

Q_SIGNALS:
    void changed();

private:
    bool keepsHistory() const { return !context_.directory.empty(); }
    using Record = std::shared_ptr<const ScanRecord>;

    History::Store store() const;
    // Runs `work` on the pool and hands its result to `done` on the UI thread, unless another
    // scan has begun by then.
    template <typename Work, typename Done>
    void inBackground(Work work, Done done);
    void compare(Record finished);

    Context context_;
    uint64_t generation_ = 0;
    std::string location_;
    std::optional<Date> asOf_;
    std::vector<std::string> excluded_; // sorted
    Node::Ptr root_;
    Record previous_;
    Record finished_; // waits here while the previous record is read
    bool reading_ = false;
    bool comparing_ = false;
    std::vector<Change> changes_;
    bool compared_ = false;
};

} // namespace tavelin
