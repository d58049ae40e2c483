#pragma once

// A model showing a tree built in memory, for the map's widget tests: no scan runs, the
// folder is opened directly.

#include "AppModel.h"
#include "QtMainQueue.h"
#include "support/TemporaryFolder.h"

#include <QSettings>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace tavelin::test {

class MapFixture : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }

    std::unique_ptr<AppModel> makeModel() {
        AppModel::Environment environment;
        environment.queue = std::make_shared<QtMainQueue>();
        environment.pool = std::make_shared<WorkerPool>(1);
        environment.accessProbe = [] { return true; };
        environment.readVolumes = [] { return std::vector<platform::Volume>{}; };
        environment.openFile = [this](const std::string& path) { opened.push_back(path); };
        environment.reveal = [this](const std::vector<std::string>& paths) { revealed = paths; };
        environment.historyDirectory = (data.path() / "History").string();
        environment.userHome = (data.path() / "home").string();
        return std::make_unique<AppModel>(environment);
    }

    // Appends a node under `parent` and adds its figures to every ancestor.
    static Node::Ptr add(const Node::Ptr& parent, const std::string& name, Node::Kind kind,
                         int64_t size) {
        auto node = Node::make(name, kind);
        node->size = size;
        node->unique = size;
        node->fileCount = kind == Node::Kind::file ? 1 : 0;
        parent->append(node);
        node->adjustAncestors(size, size, node->fileCount);
        return node;
    }
    static Node::Ptr file(const Node::Ptr& parent, const std::string& name, int64_t size) {
        return add(parent, name, Node::Kind::file, size);
    }
    static Node::Ptr folder(const Node::Ptr& parent, const std::string& name) {
        return add(parent, name, Node::Kind::directory, 0);
    }

    TemporaryFolder data;
    std::vector<std::string> opened;
    std::vector<std::string> revealed;
};

} // namespace tavelin::test
