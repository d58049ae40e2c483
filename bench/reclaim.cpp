// The advisor runs the reclaim rules about four times a minute while a scan runs, so one pass
// over a tree of a million files must stay far below the 250 ms between tree refreshes.
// The tree is the wide one scripts/bench compares scans on (bench/make-tree.py), scanned once
// with a full scan session; it is looked for in $TAVELIN_BENCH_DIR/full/wide (default
// /var/tmp/tavelin-bench).

#include "advisor/Reclaim.h"

#include "advisor/ReclaimDetector.h"
#include "scan/ScanSession.h"
#include "util/ManualQueue.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using namespace tavelin;

std::string treesPath() {
    const char* base = std::getenv("TAVELIN_BENCH_DIR");
    return std::string(base ? base : "/var/tmp/tavelin-bench") + "/full";
}

int64_t countNodes(const Node& node) {
    int64_t count = 1;
    for (const auto& child : node.children())
        count += countNodes(*child);
    return count;
}

// Scanned once for every benchmark; nothing when the tree has not been made.
const Node::Ptr& scannedTree() {
    static const Node::Ptr root = []() -> Node::Ptr {
        // The stamp is written once every tree is complete.
        if (!std::filesystem::exists(treesPath() + "/stamp.json"))
            return nullptr;
        std::string path = treesPath() + "/wide";
        int workers =
            ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
        auto queue = std::make_shared<ManualQueue>();
        ScanSession::Context context{queue, std::make_shared<WorkerPool>(workers), workers};
        auto session = std::make_shared<ScanSession>(path, std::nullopt, PathSet{}, std::nullopt,
                                                     1'000'000, context);
        session->start();
        queue->runUntil([&] { return !session->isRunning(); }, std::chrono::hours(1));
        return session->root();
    }();
    return root;
}

// The tree stands for a home folder, so the place-based rules look inside it too.
AdvisorContext liveContext(const Node::Ptr& root) {
    return AdvisorContext::live(root, *root->rootPath(), std::chrono::system_clock::now());
}

void reportTree(benchmark::State& state, const Node& root) {
    state.counters["files"] = static_cast<double>(root.fileCount);
    state.counters["nodes"] = static_cast<double>(countNodes(root));
}

void reclaimFind(benchmark::State& state) {
    const Node::Ptr& root = scannedTree();
    if (!root) {
        state.SkipWithError(
            ("no benchmark tree: python3 bench/make-tree.py " + treesPath()).c_str());
        return;
    }
    auto context = liveContext(root);
    for (auto _ : state) {
        auto groups = Reclaim::find(*root, context.home, Reclaim::rules(), context.fileExists,
                                    context.readFile);
        benchmark::DoNotOptimize(groups.data());
    }
    reportTree(state, *root);
}

void reclaimDetector(benchmark::State& state) {
    const Node::Ptr& root = scannedTree();
    if (!root) {
        state.SkipWithError(
            ("no benchmark tree: python3 bench/make-tree.py " + treesPath()).c_str());
        return;
    }
    auto context = liveContext(root);
    for (auto _ : state) {
        auto candidates = ReclaimDetector().candidates(context);
        benchmark::DoNotOptimize(candidates.data());
    }
    reportTree(state, *root);
}

} // namespace

BENCHMARK(reclaimFind)->Unit(benchmark::kMillisecond);
BENCHMARK(reclaimDetector)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
