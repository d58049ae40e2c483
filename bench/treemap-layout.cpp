// The map is laid out again on every tree change, about four times a second while a scan runs,
// so one layout must stay far below 250 ms even for the widest folders.

#include "treemap/Treemap.h"

#include <benchmark/benchmark.h>

namespace {

using tavelin::Measure;
using tavelin::Node;

constexpr tavelin::Rect kWindow{0, 0, 1600, 1000};

// Sizes spread over several orders of magnitude, like a real folder.
int64_t sizeOf(int64_t i) {
    return 1'000 + (i * 7'919) % 10'000'000;
}

Node::Ptr fileNode(int64_t i) {
    auto node = Node::make("file" + std::to_string(i), Node::Kind::file);
    node->size = sizeOf(i);
    node->unique = node->size / 2;
    node->fileCount = 1;
    return node;
}

void addChild(Node& parent, Node::Ptr child) {
    parent.size += child->size;
    parent.unique += child->unique;
    parent.fileCount += child->fileCount;
    parent.append(std::move(child));
}

Node::Ptr folderOf(const std::string& name, int levels, int perLevel, int64_t& next) {
    auto folder = Node::make(name, Node::Kind::directory);
    for (int i = 0; i < perLevel; ++i)
        addChild(*folder, levels == 1
                              ? fileNode(next++)
                              : folderOf("dir" + std::to_string(i), levels - 1, perLevel, next));
    folder->sortChildren();
    return folder;
}

void run(benchmark::State& state, Node& root, Measure measure) {
    size_t tiles = 0;
    for (auto _ : state) {
        auto layout = tavelin::Treemap::layout(root, kWindow, measure, 3, 30);
        tiles = layout.size();
        benchmark::DoNotOptimize(layout.data());
    }
    state.counters["tiles"] = static_cast<double>(tiles);
}

void flatFolder(benchmark::State& state) {
    int64_t next = 0;
    auto root = folderOf("flat", 1, 100'000, next);
    run(state, *root, static_cast<Measure>(state.range(0)));
}

void threeLevels(benchmark::State& state) {
    int64_t next = 0;
    auto root = folderOf("deep", 3, 200, next);
    run(state, *root, static_cast<Measure>(state.range(0)));
}

} // namespace

BENCHMARK(flatFolder)->ArgName("unique")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(threeLevels)->ArgName("unique")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
