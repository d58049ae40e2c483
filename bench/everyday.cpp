// The everyday detectors run with every advisor pass, during a scan too, so each must stay far
// below the 250 ms between tree refreshes on a tree of a million files. The worst case is
// timed: the whole tree is the home folder and every one of the user's folders, so the walks
// that look for screenshots and large files cover all of it.

#include "BenchTree.h"
#include "advisor/everyday/EverydayDetectors.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

using namespace tavelin;

AdvisorContext everywhere(const Node::Ptr& root) {
    std::string path = *root->rootPath();
    auto context = AdvisorContext::live(root, path, std::chrono::system_clock::now());
    context.userFolders = {path, path, path, path, path};
    return context;
}

void run(benchmark::State& state, const std::vector<std::shared_ptr<const Detector>>& detectors) {
    const Node::Ptr& root = bench::scannedTreeOrSkip(state);
    if (!root)
        return;
    auto context = everywhere(root);
    size_t found = 0;
    for (auto _ : state)
        for (const auto& detector : detectors) {
            auto candidates = detector->candidates(context);
            found = candidates.size();
            benchmark::DoNotOptimize(candidates.data());
        }
    bench::reportTree(state, *root);
    state.counters["candidates"] = static_cast<double>(found);
}

} // namespace

int main(int argc, char** argv) {
    auto all = EverydayDetectors::all();
    for (const auto& detector : all)
        benchmark::RegisterBenchmark(
            ("everyday/" + detector->id()).c_str(),
            [detector](benchmark::State& state) { run(state, {detector}); })
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("everyday/all", [all](benchmark::State& state) {
        run(state, all);
    })->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
