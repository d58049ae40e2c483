#pragma once

// A test AppModel over fixture trees: settings cleared, history and home in a temporary
// folder, disks and access as the test sets them. Trees are either real folders (`tree`,
// `home`, then `scanned`) or built in memory and opened without a scan (`file`, `folder`).

#include "app/QtPrinting.h"
#include "model/AppModel.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <atomic>
#include <gtest/gtest.h>

namespace tavelin::test {

class ModelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // What a model of the fixture sees: its disks, access, history folder and home.
    AppEnvironment environment();
    std::unique_ptr<AppModel> makeModel();
    // Scans `path` and waits until the scan and its comparison with the history are done;
    // false when it did not start or finish.
    bool scanned(AppModel& model, const std::string& path);
    // Waits until a scan record is in the history folder: records are saved on the pool, after
    // the scan shows as finished.
    bool historySaved() const;
    static Node::Ptr child(const Node::Ptr& node, const std::string& name);

    // Appends a file or folder under `parent` and adds its figures to every ancestor.
    static Node::Ptr file(const Node::Ptr& parent, const std::string& name, int64_t size);
    static Node::Ptr folder(const Node::Ptr& parent, const std::string& name);

    TemporaryFolder data;
    TreeBuilder home{data.path() / "home"};
    TreeBuilder tree{data.path() / "tree"};
    bool granted = true;
    std::vector<platform::Volume> volumes;
    std::vector<std::string> opened;
    std::vector<std::string> revealed;
    // What the disk tools answer, read on a worker thread: set them before scanning.
    std::optional<DiskBreakdown> diskBreakdown;
    std::string diskDevice = "sda2";
    std::optional<std::string> deletionError;
    std::atomic<int> deletions = 0;
};

} // namespace tavelin::test
