// The advisor runs the reclaim rules about four times a minute while a scan runs, so one pass
// over a tree of a million files must stay far below the 250 ms between tree refreshes.

#include "advisor/reclaim/Reclaim.h"

#include "BenchTree.h"
#include "advisor/reclaim/ReclaimDetector.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using namespace tavelin;

// The tree stands for a home folder, so the place-based rules look inside it too.
AdvisorContext liveContext(const Node::Ptr& root) {
    return AdvisorContext::live(root, *root->rootPath(), std::chrono::system_clock::now());
}

void reclaimFind(benchmark::State& state) {
    const Node::Ptr& root = bench::scannedTreeOrSkip(state);
    if (!root)
        return;
    auto context = liveContext(root);
    for (auto _ : state) {
        auto groups = Reclaim::find(*root, context.home, Reclaim::rules(), context.fileExists,
                                    context.readFile);
        benchmark::DoNotOptimize(groups.data());
    }
    bench::reportTree(state, *root);
}

void reclaimDetector(benchmark::State& state) {
    const Node::Ptr& root = bench::scannedTreeOrSkip(state);
    if (!root)
        return;
    auto context = liveContext(root);
    for (auto _ : state) {
        auto candidates = ReclaimDetector().candidates(context);
        benchmark::DoNotOptimize(candidates.data());
    }
    bench::reportTree(state, *root);
}

} // namespace

BENCHMARK(reclaimFind)->Unit(benchmark::kMillisecond);
BENCHMARK(reclaimDetector)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
