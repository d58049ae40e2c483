// Scans one folder with a full scan session and prints its figures as one JSON object:
// {"path", "files", "bytes", "unique", "errors", "nodes", "seconds"}. Benchmarks and
// acceptance checks run it; it is not part of the product. --workers N runs N walkers instead
// of the number the product's rule picks for this machine.

#include "scan/FolderProblem.h"
#include "scan/ScanSession.h"
#include "util/ManualQueue.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <vector>

namespace {

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

} // namespace

int main(int argc, char** argv) {
    int workers =
        tavelin::ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    std::string_view option = argc == 4 ? argv[1] : "";
    if (argc == 4 && option == "--workers")
        workers = std::atoi(argv[2]);
    if ((argc != 2 && option != "--workers") || workers < 1) {
        std::cerr << "usage: tavelin-scan [--workers N] PATH\n";
        return 2;
    }
    std::string path = argv[argc - 1];
    if (auto problem = tavelin::folderProblem(path)) {
        std::cerr << "tavelin-scan: " << *problem << "\n";
        return 1;
    }

    auto queue = std::make_shared<tavelin::ManualQueue>();
    tavelin::ScanSession::Context context{queue, std::make_shared<tavelin::WorkerPool>(workers),
                                          workers};
    auto session = std::make_shared<tavelin::ScanSession>(path, std::nullopt, tavelin::PathSet{},
                                                          std::nullopt, 1'000'000, context);
    auto started = std::chrono::steady_clock::now();
    session->start();
    queue->runUntil([&] { return !session->isRunning(); }, std::chrono::hours(24));
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const auto& root = *session->root();
    nlohmann::json report = {{"path", session->path()},     {"files", root.fileCount},
                             {"bytes", root.size},          {"unique", root.unique},
                             {"errors", session->errors()}, {"nodes", countNodes(root)},
                             {"seconds", seconds}};
    std::cout << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
}
