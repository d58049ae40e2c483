#include "support/ScannedTree.h"

#include "scan/ScanSession.h"
#include "util/ManualQueue.h"

namespace tavelin::test {

Node::Ptr scannedTree(const std::string& path, int64_t threshold) {
    auto queue = std::make_shared<ManualQueue>();
    auto session = std::make_shared<ScanSession>(
        path, std::nullopt, PathSet{}, std::nullopt, threshold,
        ScanSession::Context{queue, std::make_shared<WorkerPool>(2), 2});
    session->start();
    if (!queue->runUntil([&] { return !session->isRunning(); }, std::chrono::minutes(1)))
        return nullptr;
    return session->root();
}

} // namespace tavelin::test
