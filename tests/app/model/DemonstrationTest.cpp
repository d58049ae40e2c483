// The demonstration: the generated home stands in for any scan, the advisor finds its
// suggestions there, and nothing on the disk is read for it, written or changed.

#include "app/ModelFixture.h"
#include "demo/DemoHome.h"

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace tavelin;
namespace fs = std::filesystem;

using DemonstrationTest = test::ModelFixture;

namespace {

// Every entry below `folder` with its size and change time.
std::string snapshot(const fs::path& folder) {
    std::string listing;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        listing += entry.path().string();
        if (entry.is_regular_file())
            listing += " " + std::to_string(entry.file_size());
        listing += " " + std::to_string(entry.last_write_time().time_since_epoch().count()) + "\n";
    }
    return listing;
}

} // namespace

TEST_F(DemonstrationTest, ShowsTheGeneratedHomeWhateverIsScannedAndChangesNothing) {
    fs::path userHome = std::getenv("HOME");
    tree.file("real/file", 3'000'000);
    std::string homeBefore = snapshot(userHome);
    std::string dataBefore = snapshot(data.path());
    auto environment = this->environment();
    environment.becomeDemonstration();
    AppModel model(environment);
    EXPECT_EQ(model.volumes(), std::vector{DemoHome::disk()});

    ASSERT_TRUE(scanned(model, tree.root().string()));
    const Node::Ptr& root = model.session()->root();
    EXPECT_EQ(root->path(), DemoHome::path);
    EXPECT_EQ(root->size, DemoHome::generate(Date(), 1'000'000).root()->size);
    EXPECT_EQ(model.sidebarSelection(), std::string(DemoHome::path));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.advisor().candidates().empty(); }, 10000));
    EXPECT_FALSE(model.advisor().slowRunning()) << "no slow detectors in the demonstration";
    EXPECT_TRUE(model.recents().empty());
    // Changes compares with the home a month before, not with any kept record.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.history().changes().empty(); }, 10000));
    EXPECT_GT(model.history().growth(*root).value_or(0), 0);

    // Applying or trashing says why nothing happens instead of asking.
    model.advisor().setChecked(model.advisor().candidates().front().id, true);
    model.askToApply();
    EXPECT_FALSE(model.applying().isConfirmingApply());
    EXPECT_EQ(model.notice(),
              QStringLiteral("This is a demonstration: nothing is moved or deleted."));
    model.askToTrash({root->children().front()});
    EXPECT_FALSE(model.applying().isConfirmingTrash());

    model.rescan(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isScanning(); }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(snapshot(userHome), homeBefore);
    EXPECT_EQ(snapshot(data.path()), dataBefore) << "no history record, nothing of the tree read";
}
