// Scans one folder, then follows it as the window does: prints one JSON line with the root's
// totals when the scan finishes, {"files", "bytes", "unique", "seconds"} (seconds since the
// start), and again each time the changes reported so far have been measured. SIGINT or
// SIGTERM stops it. --latency sets how long changes are batched (5 seconds by default).
// --timings adds, for benchmarks, a line when the scan ends ({"scanned", "seconds",
// "cpuSeconds", "rssBytes"}), one when the watches are in place ({"watches", "partial",
// "wholeFileSystem", "seconds", "cpuSeconds", "rssBytes"}) and to every later line the longest
// piece of UI-thread work since the previous one ("longestUiMs"), as well as how long starting
// the watcher held the UI thread ("watcherStartUiMs"). Not part of the product.

#include "scan/FolderProblem.h"
#include "scan/LiveUpdater.h"
#include "util/ManualQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <pthread.h>
#include <string_view>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The UI thread's queue, timing each piece of work that passes through it.
class TimedQueue final : public tavelin::MainQueue {
public:
    void post(std::function<void()> work) override { inner_.post(timed(std::move(work))); }
    void postAfter(std::chrono::milliseconds delay, std::function<void()> work) override {
        inner_.postAfter(delay, timed(std::move(work)));
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return inner_.runUntil(done, timeout);
    }
    // The longest piece of work since the last call, in milliseconds.
    double takeLongest() { return std::exchange(longest_, 0.0); }

private:
    std::function<void()> timed(std::function<void()> work) {
        return [this, work = std::move(work)] {
            auto started = Clock::now();
            work();
            longest_ =
                std::max(longest_,
                         std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        };
    }

    tavelin::ManualQueue inner_;
    double longest_ = 0; // read and written on the UI thread only
};

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int64_t residentBytes() {
    std::ifstream status("/proc/self/statm");
    int64_t pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

void print(const nlohmann::json& line) {
    std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

int usage() {
    std::cerr << "usage: tavelin-watch PATH [--latency SECONDS] [--timings]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string path;
    double latency = tavelin::LiveUpdater::kLatency;
    bool timings = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--latency" && i + 1 < argc)
            latency = std::atof(argv[++i]);
        else if (argument == "--timings")
            timings = true;
        else if (path.empty() && !argument.starts_with("--"))
            path = argument;
        else
            return usage();
    }
    if (path.empty() || latency < 0)
        return usage();
    if (auto problem = tavelin::folderProblem(path)) {
        std::cerr << "tavelin-watch: " << *problem << "\n";
        return 1;
    }

    // Every thread started from here on leaves the two signals to the one that waits for them.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    std::atomic<bool> stop = false;
    auto queue = std::make_shared<TimedQueue>();
    std::thread([&stopping, &stop, queue] {
        int signal = 0;
        sigwait(&stopping, &signal);
        queue->post([&stop] { stop = true; });
    }).detach();

    auto started = Clock::now();
    auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - started).count(); };
    int workers =
        tavelin::ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    auto session = std::make_shared<tavelin::ScanSession>(
        path, std::nullopt, tavelin::PathSet{}, std::nullopt, 1'000'000,
        tavelin::ScanSession::Context{queue, std::make_shared<tavelin::WorkerPool>(workers + 1),
                                      workers});
    auto totals = [&] {
        const tavelin::Node& root = *session->root();
        nlohmann::json line = {{"files", root.fileCount},
                               {"bytes", root.size},
                               {"unique", root.unique},
                               {"seconds", seconds()}};
        if (timings)
            line["longestUiMs"] = queue->takeLongest();
        print(line);
    };
    auto updater = std::make_shared<tavelin::LiveUpdater>(
        tavelin::LiveUpdater::Context{queue, {}, latency},
        tavelin::LiveUpdater::Hooks{.settled = totals,
                                    .ready =
                                        [&](const tavelin::FolderWatcher::Coverage& coverage) {
                                            if (timings)
                                                print(
                                                    {{"watches", coverage.folders},
                                                     {"partial", coverage.partial},
                                                     {"wholeFileSystem", coverage.wholeFileSystem},
                                                     {"seconds", seconds()},
                                                     {"cpuSeconds", cpuSeconds()},
                                                     {"rssBytes", residentBytes()}});
                                        },
                                    .limitReached = {}});

    updater->scanStarting();
    session->start();
    queue->runUntil([&] { return !session->isRunning() || stop; }, std::chrono::hours(24 * 365));
    if (stop)
        return 0;
    if (timings)
        print({{"scanned", true},
               {"rssBytes", residentBytes()},
               {"seconds", seconds()},
               {"cpuSeconds", cpuSeconds()}});
    totals();
    queue->takeLongest();
    auto restarting = Clock::now();
    updater->restart(session);
    double restartMs = std::chrono::duration<double, std::milli>(Clock::now() - restarting).count();
    // The folders are listed on the pool; the watcher starts in a later piece of UI work.
    queue->runUntil([&] { return updater->watcher() || stop; }, std::chrono::seconds(60));
    if (timings)
        print({{"watcherStartUiMs", std::max(restartMs, queue->takeLongest())}});
    if (!updater->watcher()) {
        std::cerr << "tavelin-watch: the system cannot watch folders\n";
        return 1;
    }
    queue->runUntil([&] { return stop.load(); }, std::chrono::hours(24 * 365));
    updater->stop();
    return 0;
}
