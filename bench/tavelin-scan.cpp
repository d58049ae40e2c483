// Scans one folder with a full scan session and prints its figures as one JSON object:
// {"path", "files", "bytes", "unique", "apparent", "errors", "nodes", "seconds", "workers"}.
// Benchmarks and acceptance checks run it; it is not part of the product.
//
// Usage: tavelin-scan [--workers N] [--ui] [--record] PATH | --import FILE
//   --workers N  runs at most N walkers instead of the number the product's rule picks for this
//                machine (as always, one per core until the disk is seen being read)
//   --ui         adds "uiLongestMs" and "uiMs": the processor time of the longest piece of work
//                the scan gave the UI thread (its start, a graft, a tick) and of all of them
//                together; processor time, as on a busy machine a piece may wait for a core
//                longer than it works. Reading the clock costs a system call a piece.
//   --record     adds the size of the record history would keep of the scan: "recordBytes",
//                "recordEntries" and "recordDeepest" (the most path components of a key)
//   --import     reads a scan file instead of scanning, as the application opens one; no
//                "workers" then

#include "history/ScanRecord.h"
#include "scan/FolderProblem.h"
#include "scan/ScanSession.h"
#include "scanfile/ScanFile.h"
#include "util/ManualQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds threadTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The UI thread's work, timed piece by piece when asked to.
class TimedQueue final : public tavelin::MainQueue {
public:
    explicit TimedQueue(bool timing)
        : timing_(timing) {}

    void post(std::function<void()> work) override { queue_.post(timed(std::move(work))); }
    void postAfter(std::chrono::milliseconds delay, std::function<void()> work) override {
        queue_.postAfter(delay, timed(std::move(work)));
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return queue_.runUntil(done, timeout);
    }
    void time(const std::function<void()>& work) {
        if (!timing_) {
            work();
            return;
        }
        auto started = threadTime();
        work();
        std::chrono::nanoseconds spent = threadTime() - started;
        longest_ = std::max(longest_, spent);
        total_ += spent;
    }
    double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
    double totalMs() const { return std::chrono::duration<double, std::milli>(total_).count(); }

private:
    std::function<void()> timed(std::function<void()> work) {
        if (!timing_)
            return work;
        return [this, work = std::move(work)] { time(work); };
    }

    const bool timing_;
    tavelin::ManualQueue queue_;
    std::chrono::nanoseconds longest_{};
    std::chrono::nanoseconds total_{};
};

// With a list, not recursion: trees may be many thousands of levels deep.
int64_t countNodes(const tavelin::Node& root) {
    int64_t count = 0;
    std::vector<const tavelin::Node*> pending{&root};
    while (!pending.empty()) {
        const tavelin::Node* node = pending.back();
        pending.pop_back();
        ++count;
        for (const auto& child : node->children())
            pending.push_back(child.get());
    }
    return count;
}

void addRecord(nlohmann::json& report, const tavelin::Node& root) {
    tavelin::ScanRecord record = tavelin::ScanRecord::of(root, std::chrono::system_clock::now());
    size_t deepest = 0;
    for (const auto& [key, size] : record.sizes) {
        if (!key.empty())
            deepest = std::max(deepest, 1 + static_cast<size_t>(std::ranges::count(key, '/')));
    }
    report["recordBytes"] = record.encoded().size();
    report["recordEntries"] = record.sizes.size();
    report["recordDeepest"] = deepest;
}

nlohmann::json reportOf(const tavelin::Node& root, int64_t errors, double seconds) {
    return {{"path", root.path()},       {"files", root.fileCount},   {"bytes", root.size},
            {"unique", root.unique},     {"apparent", root.apparent}, {"errors", errors},
            {"nodes", countNodes(root)}, {"seconds", seconds}};
}

void print(const nlohmann::json& report) {
    std::cout << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

double secondsSince(Clock::time_point started) {
    return std::chrono::duration<double>(Clock::now() - started).count();
}

int importFile(const std::string& file) {
    auto started = Clock::now();
    auto read = tavelin::ScanFile::open(file, 1'000'000);
    if (auto* problem = std::get_if<std::string>(&read)) {
        std::cerr << "tavelin-scan: " << *problem << "\n";
        return 1;
    }
    const auto& scan = std::get<tavelin::ImportedScan>(read);
    print(reportOf(*scan.root, scan.errors, secondsSince(started)));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int workers =
        tavelin::ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    bool withRecord = false;
    bool withUi = false;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--import")
        return importFile(std::string(args[1]));
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--workers" && i + 2 < args.size())
            workers = std::atoi(args[++i].data());
        else if (args[i] == "--record")
            withRecord = true;
        else if (args[i] == "--ui")
            withUi = true;
        else
            workers = 0;
    }
    if (args.empty() || workers < 1) {
        std::cerr << "usage: tavelin-scan [--workers N] [--ui] [--record] PATH | --import FILE\n";
        return 2;
    }
    std::string path(args.back());
    if (auto problem = tavelin::folderProblem(path)) {
        std::cerr << "tavelin-scan: " << *problem << "\n";
        return 1;
    }

    auto queue = std::make_shared<TimedQueue>(withUi);
    tavelin::ScanSession::Context context{queue, std::make_shared<tavelin::WorkerPool>(workers),
                                          workers};
    auto session = std::make_shared<tavelin::ScanSession>(path, std::nullopt, tavelin::PathSet{},
                                                          std::nullopt, 1'000'000, context);
    auto started = Clock::now();
    queue->time([&] { session->start(); });
    queue->runUntil([&] { return !session->isRunning(); }, std::chrono::hours(24));
    const auto& root = *session->root();
    nlohmann::json report = reportOf(root, session->errors(), secondsSince(started));
    report["workers"] = workers;
    if (withUi) {
        report["uiLongestMs"] = queue->longestMs();
        report["uiMs"] = queue->totalMs();
    }
    if (withRecord)
        addRecord(report, root);
    print(report);
    return 0;
}
