#include "app/ModelFixture.h"

#include "model/QtMainQueue.h"
#include "support/NodeLookup.h"

#include <QSettings>
#include <QTest>
#include <algorithm>
#include <filesystem>

namespace tavelin::test {

void ModelFixture::SetUp() {
    QSettings().clear();
}

AppEnvironment ModelFixture::environment() {
    AppEnvironment environment;
    environment.queue = std::make_shared<QtMainQueue>();
    environment.pool = std::make_shared<WorkerPool>(3);
    environment.accessProbe = [this] { return granted; };
    environment.readVolumes = [this] { return volumes; };
    environment.openFile = [this](const std::string& path) { opened.push_back(path); };
    environment.reveal = [this](const std::vector<std::string>& paths) {
        revealed.insert(revealed.end(), paths.begin(), paths.end());
    };
    environment.historyDirectory = (data.path() / "History").string();
    environment.undoDirectory = (data.path() / "undo").string();
    environment.userHome = home.root().string();
    environment.disk.load = [this](const std::string&) { return diskBreakdown; };
    environment.disk.device = [this](const std::string&) { return diskDevice; };
    environment.disk.deleteSnapshots = [this](const std::string&) {
        ++deletions;
        if (!deletionError && diskBreakdown)
            diskBreakdown->snapshots.clear();
        return deletionError;
    };
    return environment;
}

std::unique_ptr<AppModel> ModelFixture::makeModel() {
    return std::make_unique<AppModel>(environment());
}

bool ModelFixture::scanned(AppModel& model, const std::string& path) {
    model.scan(path);
    return model.session() && QTest::qWaitFor(
                                  [&] {
                                      return !model.session()->isRunning() && !model.isScanning() &&
                                             !model.history().isBusy();
                                  },
                                  20000);
}

bool ModelFixture::historySaved() const {
    return QTest::qWaitFor(
        [&] {
            std::error_code error;
            auto it = std::filesystem::recursive_directory_iterator(data.path() / "History", error);
            // A record being written is a hidden temporary file until it is renamed.
            return !error && std::any_of(begin(it), end(it), [](const auto& entry) {
                return entry.is_regular_file() && entry.path().extension() == ".json" &&
                       !entry.path().filename().string().starts_with('.');
            });
        },
        5000);
}

Node::Ptr ModelFixture::child(const Node::Ptr& node, const std::string& name) {
    Node* found = childNamed(*node, name);
    return found ? found->shared_from_this() : nullptr;
}

namespace {

Node::Ptr add(const Node::Ptr& parent, const std::string& name, Node::Kind kind, int64_t size) {
    auto node = Node::make(name, kind);
    node->size = size;
    node->unique = size;
    node->apparent = size;
    node->fileCount = kind == Node::Kind::file ? 1 : 0;
    parent->append(node);
    node->adjustAncestors({size, size, node->fileCount, size});
    return node;
}

} // namespace

Node::Ptr ModelFixture::file(const Node::Ptr& parent, const std::string& name, int64_t size) {
    return add(parent, name, Node::Kind::file, size);
}

Node::Ptr ModelFixture::folder(const Node::Ptr& parent, const std::string& name) {
    return add(parent, name, Node::Kind::directory, 0);
}

} // namespace tavelin::test
