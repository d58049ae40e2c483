// Scans one folder with a full scan session, runs the duplicate finder over it with the folder
// as the home folder, and prints one JSON object: {"sets", "files", "proposals", "freed",
// "hashedBytes", "scanSeconds", "dupesSeconds"}, where sets and files count the sets of
// identical files found and proposals the suggestions made of them; with --list, each set's
// paths as "list": [[path…]…]. With --merge, it then applies every merge it proposed, as the
// application would, and adds "merged" (copies now sharing their kept file's data),
// "mergeFreed" (the bytes the executor expected to free), "freedOnDisk" (the growth of the
// file system's free space, after a sync), "mergeSeconds" and "mergeErrors" (the executor's
// messages).
// Benchmarks and the cross-check against other duplicate finders run it; it is not part of the
// product. --merge changes files: try it on a scratch copy, such as a btrfs image.
//
// Usage: tavelin-dupes PATH [--min-bytes N] [--list] [--merge]
//        (N, default 1: the smallest file and set)

#include "advisor/duplicates/DuplicatesDetector.h"
#include "executor/Executor.h"
#include "platform/FileFacts.h"
#include "scan/ScanSession.h"
#include "util/ManualQueue.h"
#include "util/Paths.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options {
    std::string path;
    int64_t minBytes = 1;
    bool list = false;
    bool merge = false;
};

std::optional<Options> parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--list") {
            options.list = true;
        } else if (argument == "--merge") {
            options.merge = true;
        } else if (argument == "--min-bytes" && i + 1 < argc) {
            std::string_view number = argv[++i];
            auto [end, error] =
                std::from_chars(number.data(), number.data() + number.size(), options.minBytes);
            if (error != std::errc() || end != number.data() + number.size() ||
                options.minBytes < 1)
                return std::nullopt;
        } else if (options.path.empty() && !argument.starts_with("--")) {
            options.path = tavelin::standardizedPath(std::filesystem::absolute(argument).string());
        } else {
            return std::nullopt;
        }
    }
    if (options.path.empty())
        return std::nullopt;
    return options;
}

tavelin::Node::Ptr scan(const std::string& path, int64_t threshold,
                        std::shared_ptr<tavelin::WorkerPool> pool, int workers) {
    auto queue = std::make_shared<tavelin::ManualQueue>();
    auto session = std::make_shared<tavelin::ScanSession>(
        path, std::nullopt, tavelin::PathSet{}, std::nullopt, threshold,
        tavelin::ScanSession::Context{queue, std::move(pool), workers});
    session->start();
    queue->runUntil([&] { return !session->isRunning(); }, std::chrono::hours(24));
    return session->root();
}

// Free bytes of the file system holding the path once pending changes are written; shared data
// is only released when the file system commits.
int64_t freeBytesAfterSync(const std::string& path) {
    ::sync();
    struct statvfs figures;
    if (::statvfs(path.c_str(), &figures) != 0)
        return 0;
    return static_cast<int64_t>(figures.f_bfree) * static_cast<int64_t>(figures.f_frsize);
}

// Applies every merge among the suggestions and adds what it did to the report.
void applyMerges(const std::vector<tavelin::Candidate>& candidates, const std::string& path,
                 nlohmann::json& report) {
    auto env = tavelin::ExecutorEnvironment::live();
    int64_t freeBefore = freeBytesAfterSync(path);
    auto start = Clock::now();
    int64_t merged = 0;
    int64_t expected = 0;
    std::vector<std::string> errors;
    for (const auto& candidate : candidates) {
        const auto* merge =
            std::get_if<tavelin::AdvisorAction::MergeDuplicates>(&candidate.action.value);
        if (!merge)
            continue;
        tavelin::ActionResult result =
            tavelin::Executor::mergeDuplicates(merge->keep, merge->copies, env);
        merged += static_cast<int64_t>(result.applied.size());
        expected += result.freedEstimate;
        if (result.error)
            errors.push_back(*result.error);
    }
    report["mergeSeconds"] = secondsSince(start);
    report["merged"] = merged;
    report["mergeFreed"] = expected;
    report["freedOnDisk"] = freeBytesAfterSync(path) - freeBefore;
    report["mergeErrors"] = errors;
}

} // namespace

int main(int argc, char** argv) {
    auto options = parse(argc, argv);
    if (!options) {
        std::cerr << "usage: tavelin-dupes PATH [--min-bytes N] [--list] [--merge]\n";
        return 2;
    }
    tavelin::platform::FileFacts facts;
    if (tavelin::platform::readFileFacts(options->path.c_str(), facts) != 0 || !facts.isDirectory) {
        std::cerr << "tavelin-dupes: " << options->path << " is not a folder\n";
        return 1;
    }

    int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    int walkers = tavelin::ScanSession::workerCount(cores);
    auto scanStart = Clock::now();
    auto root = scan(options->path, options->minBytes,
                     std::make_shared<tavelin::WorkerPool>(walkers), walkers);
    double scanSeconds = secondsSince(scanStart);

    // The detector's own thread takes part in the work, so one helper per further core.
    auto dupesStart = Clock::now();
    auto context =
        tavelin::AdvisorContext::live(root, root->path(), std::chrono::system_clock::now());
    if (cores > 1)
        context.workers = std::make_shared<tavelin::WorkerPool>(cores - 1);
    tavelin::DuplicatesDetector detector(options->minBytes, options->minBytes);
    auto findings = detector.find(context);
    double dupesSeconds = secondsSince(dupesStart);

    int64_t files = 0;
    for (const auto& set : findings.identicalSets)
        files += static_cast<int64_t>(set.size());
    int64_t freed = 0;
    for (const auto& candidate : findings.candidates)
        freed += candidate.freed;
    nlohmann::json report = {{"sets", findings.identicalSets.size()},
                             {"files", files},
                             {"proposals", findings.candidates.size()},
                             {"freed", freed},
                             {"hashedBytes", findings.hashedBytes},
                             {"scanSeconds", scanSeconds},
                             {"dupesSeconds", dupesSeconds}};
    if (options->list)
        report["list"] = findings.identicalSets;
    if (options->merge)
        applyMerges(findings.candidates, options->path, report);
    std::cout << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
}
