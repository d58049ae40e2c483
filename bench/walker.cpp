// Entries per second for one walker over a generated tree of 200,000 files in 2,000 folders.
// The tree is made once under $TAVELIN_BENCH_DIR (default /var/tmp) and kept between runs.

#include "scan/ExtensionTally.h"
#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "scan/TreeScanner.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;

std::string benchTree() {
    const char* base = std::getenv("TAVELIN_BENCH_DIR");
    std::filesystem::path root =
        std::filesystem::path(base ? base : "/var/tmp") / "tavelin-walker-tree";
    if (std::filesystem::exists(root / ".complete"))
        return root.string();
    std::filesystem::remove_all(root);
    std::string block(3000, 'x');
    for (int f = 0; f < kFolders; ++f) {
        auto folder = root / std::to_string(f % 40) / ("folder " + std::to_string(f));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            auto name =
                (folder / ("file-" + std::to_string(i) + (i % 3 ? ".txt" : ".jpg"))).string();
            int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0 || ::write(fd, block.data(), static_cast<size_t>(i * 30)) < 0)
                std::abort();
            ::close(fd);
        }
    }
    ::close(::open((root / ".complete").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    return root.string();
}

void walkTree(benchmark::State& state) {
    std::string root = benchTree();
    int64_t entries = 0;
    for (auto _ : state) {
        tavelin::ScanCounter counter;
        tavelin::LinkSet links;
        tavelin::TallyBox tally;
        tavelin::PathSet skip;
        auto node = tavelin::TreeScanner::scan(root, {.counter = counter,
                                                      .links = links,
                                                      .skip = skip,
                                                      .threshold = 1'000'000,
                                                      .tally = &tally});
        benchmark::DoNotOptimize(node);
        entries += node->fileCount + kFolders + 40;
    }
    state.SetItemsProcessed(entries);
}

} // namespace

BENCHMARK(walkTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
