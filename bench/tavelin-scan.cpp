// Scans one folder with a full scan session and prints its figures as one JSON object:
// {"path", "files", "bytes", "unique", "errors", "nodes", "seconds"}. Benchmarks and
// acceptance checks run it; it is not part of the product. --workers N runs N walkers instead
// of the number the product's rule picks for this machine; --import FILE reads a scan file
// instead of scanning, as the application opens one.

#include "scan/FolderProblem.h"
#include "scan/ScanSession.h"
#include "scanfile/ScanFile.h"
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

void print(const tavelin::Node& root, int64_t errors, double seconds) {
    nlohmann::json report = {{"path", root.path()}, {"files", root.fileCount},
                             {"bytes", root.size},  {"unique", root.unique},
                             {"errors", errors},    {"nodes", countNodes(root)},
                             {"seconds", seconds}};
    std::cout << report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

double secondsSince(std::chrono::steady_clock::time_point started) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

int importFile(const std::string& file) {
    auto started = std::chrono::steady_clock::now();
    auto read = tavelin::ScanFile::open(file, 1'000'000);
    if (auto* problem = std::get_if<std::string>(&read)) {
        std::cerr << "tavelin-scan: " << *problem << "\n";
        return 1;
    }
    const auto& scan = std::get<tavelin::ImportedScan>(read);
    print(*scan.root, scan.errors, secondsSince(started));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int workers =
        tavelin::ScanSession::workerCount(static_cast<int>(std::thread::hardware_concurrency()));
    std::string_view option = argc == 4 ? argv[1] : "";
    if (argc == 3 && std::string_view(argv[1]) == "--import")
        return importFile(argv[2]);
    if (argc == 4 && option == "--workers")
        workers = std::atoi(argv[2]);
    if ((argc != 2 && option != "--workers") || workers < 1) {
        std::cerr << "usage: tavelin-scan [--workers N] PATH | --import FILE\n";
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
    print(*session->root(), session->errors(), secondsSince(started));
    return 0;
}
