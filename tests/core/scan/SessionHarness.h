#pragma once

// A scan session over a real folder of a temporary tree, run on a manual main queue, with what
// it told counted and ways to measure parts of it again.

#include "scan/ScanSession.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "support/TreeCompare.h"
#include "util/ManualQueue.h"

#include <chrono>
#include <gtest/gtest.h>

namespace tavelin::test {

struct SessionHarness {
    TemporaryFolder temp;
    TreeBuilder tree{temp.path() / "tree"};
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>(2);
    std::shared_ptr<ScanSession> session;
    int changes = 0;
    int finishes = 0;

    // A new session over `path` (the tree when empty), not started.
    ScanSession& make(const std::string& path = {}, PathSet skip = {},
                      std::optional<int64_t> expected = std::nullopt, int workers = 2,
                      int64_t threshold = 1'000'000) {
        session = std::make_shared<ScanSession>(path.empty() ? tree.root().string() : path,
                                                std::nullopt, std::move(skip), expected, threshold,
                                                ScanSession::Context{queue, pool, workers});
        session->onChange = [this] { ++changes; };
        session->onFinish = [this](const Node::Ptr& root) {
            EXPECT_EQ(root, session->root());
            ++finishes;
        };
        return *session;
    }
    bool runUntil(const std::function<bool()>& done) {
        return queue->runUntil(done, std::chrono::seconds(20));
    }
    // Runs the queue for a while, to see that nothing more happens.
    void idle(std::chrono::milliseconds time) {
        queue->runUntil([] { return false; }, time);
    }
    bool runToEnd() {
        return runUntil([&] { return !session->isRunning(); });
    }
    // Starts the session (a new one over the tree when there is none) and runs it to its end.
    bool scan() {
        (session ? *session : make()).start();
        return runToEnd();
    }
    Node& root() const { return *session->root(); }
    std::string path(const std::string& relative) const {
        return relative.empty() ? session->path() : session->path() + "/" + relative;
    }
    // The node at `relative` below the scanned folder, or nullptr.
    Node* node(const std::string& relative) const {
        return session->root()->descendant(path(relative));
    }
    Node::Ptr pointer(const std::string& relative) const {
        Node* found = node(relative);
        return found ? found->shared_from_this() : nullptr;
    }
    // Runs the main queue until the measurement calls back.
    bool wait(const std::function<void(std::function<void()>)>& measure) {
        bool done = false;
        measure([&] { done = true; });
        return runUntil([&] { return done; });
    }
    bool refreshed(const std::string& relative) {
        return wait([&](auto done) { session->refresh(path(relative), done); });
    }
    bool rescanned(const std::string& relative) {
        return wait([&](auto done) { session->rescan(pointer(relative), done); });
    }
    // Where the shown tree differs from what a new scan of the folder finds.
    std::string difference() const {
        auto fresh = freshScan(session->path());
        return fresh ? treeDifference(*session->root(), *fresh) : "no fresh scan";
    }
};

} // namespace tavelin::test
