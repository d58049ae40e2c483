// The advisor plans again whenever a tick, a goal or a hidden entry changes, on the UI thread,
// so planning a long list must take a few milliseconds at most. A quick pass runs every few
// seconds during a scan with the tree's updates held, so one pass with every quick detector
// over a tree of a million files must stay well below a tenth of a second.

#include "advisor/Planner.h"

#include "BenchTree.h"
#include "advisor/Advisor.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace tavelin;

// Candidates as a large home folder gives them: every rung, thirteen categories, one project in
// twenty, sizes from a megabyte to tens of gigabytes, and a tenth nested in another's folder.
std::vector<Candidate> manyCandidates(int count) {
    std::vector<Candidate> list;
    for (int index = 0; index < count; ++index) {
        std::string folder = "/home/u/item" + std::to_string(index / 10 * 10);
        std::string path = index % 10 == 0 ? folder : folder + "/part" + std::to_string(index);
        std::optional<Project> project;
        if (index % 20 == 1)
            project = Project{"/home/u/Projects/p" + std::to_string(index % 400), "p"};
        list.push_back(Candidate({
            .id = "c" + std::to_string(index),
            .detector = "bench",
            .title = "Item",
            .category = kAllCategories[static_cast<size_t>(index) % kAllCategories.size()],
            .rung = kAllRungs[static_cast<size_t>(index * 7) % kAllRungs.size()],
            .action = AdvisorAction::trash({path}),
            .freed = 1'000'000 + static_cast<int64_t>(index % 97) * 317'000'000,
            .project = project,
            .confidence = 0.5 + (index % 5) * 0.1,
            .rebuildMinutes = static_cast<double>(index % 13),
        }));
    }
    return Planner::scored(std::move(list));
}

void plan(benchmark::State& state, Goal goal) {
    auto candidates = manyCandidates(static_cast<int>(state.range(0)));
    size_t picked = 0;
    for (auto _ : state) {
        Plan result = Planner::plan(candidates, goal);
        picked = result.selected.size();
        benchmark::DoNotOptimize(result.freed);
    }
    state.counters["picked"] = static_cast<double>(picked);
}

void planAsMuchAsSafe(benchmark::State& state) {
    plan(state, Goal::asMuchAsSafe());
}

void planToGoal(benchmark::State& state) {
    plan(state, Goal::bytes(100'000'000'000));
}

// The tree stands for the home folder, so the place-based rules look inside it too.
void quickPass(benchmark::State& state) {
    const Node::Ptr& root = bench::scannedTreeOrSkip(state);
    if (!root)
        return;
    std::string path = *root->rootPath();
    auto context = AdvisorContext::live(root, path, std::chrono::system_clock::now());
    auto detectors = Advisor::quickDetectors();
    size_t found = 0;
    for (auto _ : state) {
        auto candidates = Advisor::candidates(context, detectors);
        found = candidates.size();
        benchmark::DoNotOptimize(candidates.data());
    }
    bench::reportTree(state, *root);
    state.counters["detectors"] = static_cast<double>(detectors.size());
    state.counters["candidates"] = static_cast<double>(found);
}

} // namespace

BENCHMARK(planAsMuchAsSafe)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(planToGoal)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(quickPass)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
