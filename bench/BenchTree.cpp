#include "BenchTree.h"

#include "scan/ScanSession.h"
#include "util/ManualQueue.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace tavelin::bench {
namespace {

int64_t countNodes(const Node& node) {
    int64_t count = 1;
    for (const auto& child : node.children())
        count += countNodes(*child);
    return count;
}

} // namespace

std::string treesPath() {
    const char* base = std::getenv("TAVELIN_BENCH_DIR");
    return std::string(base ? base : "/var/tmp/tavelin-bench") + "/full";
}

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

const Node::Ptr& scannedTreeOrSkip(benchmark::State& state) {
    const Node::Ptr& root = scannedTree();
    if (!root)
        state.SkipWithError(
            ("no benchmark tree: python3 bench/make-tree.py " + treesPath()).c_str());
    return root;
}

void reportTree(benchmark::State& state, const Node& root) {
    state.counters["files"] = static_cast<double>(root.fileCount);
    state.counters["nodes"] = static_cast<double>(countNodes(root));
}

} // namespace tavelin::bench
