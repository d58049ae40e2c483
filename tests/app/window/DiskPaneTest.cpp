#include "window/DiskPane.h"

#include "app/ModelFixture.h"
#include "widgets/Texts.h"
#include "window/DateText.h"
#include "window/PaneMessage.h"
#include "window/UsageBar.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

using namespace tavelin;

namespace {

constexpr int64_t kGB = 1'000'000'000;

using Volume = DiskBreakdown::Volume;

DiskBreakdown plainDisk() {
    DiskBreakdown breakdown;
    breakdown.capacity = 512 * kGB;
    breakdown.volumes = {{"/boot/efi", {"Preboot"}, kGB / 2, "sda1"},
                         {"root", {"Data", "System"}, 88 * kGB, "sda2"},
                         {"sda3", {"VM"}, 8 * kGB, "sda3"}};
    breakdown.reserved = 24 * kGB;
    breakdown.structures = 8 * kGB;
    breakdown.unallocated = 7 * kGB + kGB / 2;
    breakdown.free = 376 * kGB + breakdown.unallocated;
    breakdown.snapshotListing = SnapshotListing::unsupported;
    return breakdown;
}

class DiskPaneTest : public test::ModelFixture {
protected:
    // Scans the fixture tree as a whole disk and waits for its breakdown.
    void scanDisk(AppModel& model) {
        showDisk(model);
        ASSERT_TRUE(scanned(model, tree.root().string()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.breakdown().isLoading(); }, 5000));
    }

    void showDisk(AppModel& model) {
        volumes = {{tree.root().string(), "Disk", tree.root().string(), 512 * kGB, 376 * kGB, false,
                    false}};
        model.setVolumes(volumes);
    }

    // Clicks the delete button, then the confirmation's button with this text.
    void answerDeletion(DiskPane& pane, const QString& answer) {
        ASSERT_TRUE(pane.deleteButton());
        pane.deleteButton()->click();
        QMessageBox* box = pane.confirmation();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), linuxText("Delete local Time Machine snapshots?"));
        EXPECT_EQ(box->informativeText(),
                  linuxText("Your backups on the backup disk aren’t affected. You lose the local "
                            "copies Time Machine keeps between backups."));
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove(QLatin1Char('&')) == answer)
                button->click();
    }
};

} // namespace

TEST_F(DiskPaneTest, AWholeDiskShowsProgressThenWhereItsSpaceGoes) {
    tree.file("file", 2'000'000);
    diskBreakdown = plainDisk();
    auto model = makeModel();
    DiskPane pane(*model);
    showDisk(*model);
    model->scan(tree.root().string());
    EXPECT_TRUE(model->breakdown().isLoading());
    EXPECT_TRUE(pane.showsProgress());
    EXPECT_TRUE(pane.message().isHidden());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->breakdown().isLoading(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isScanning(); }, 5000));
    EXPECT_EQ(model->breakdown().breakdown(), diskBreakdown);
    EXPECT_FALSE(pane.showsProgress());
    ASSERT_TRUE(pane.showsDetails());
    EXPECT_EQ(pane.rowTitles(),
              (std::vector<QString>{"In use on this file system", "Found by this scan", "Swap",
                                    "Boot files (/boot/efi)", "Reserved for the system",
                                    "Disk and file system structures", "Free on this disk",
                                    "Not yet in any partition"}));
    EXPECT_EQ(pane.rowValue("In use on this file system"), "88 GB");
    EXPECT_EQ(pane.rowValue("Found by this scan"), bytesText(model->session()->root()->size));
    EXPECT_EQ(pane.rowValue("Free on this disk"), "383.5 GB");
    ASSERT_TRUE(pane.bar());
    const auto& parts = pane.bar()->parts();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].bytes, 88 * kGB);
    EXPECT_EQ(parts[1].name, "System and disk");
    EXPECT_EQ(parts[1].bytes, (8 + 24 + 8) * kGB + kGB / 2);
    EXPECT_EQ(parts[0].bytes + parts[1].bytes + parts[2].bytes, 512 * kGB)
        << "every byte of the disk is in one part";
    EXPECT_EQ(pane.snapshotTexts(),
              std::vector<QString>{"None. This disk’s file system doesn’t keep snapshots."});
    EXPECT_FALSE(pane.deleteButton());
}

TEST_F(DiskPaneTest, AnUnreadableLayoutSaysSoAndAFolderScanAsksForAWholeDisk) {
    tree.file("folder/file", 1000);
    auto model = makeModel();
    DiskPane pane(*model);
    scanDisk(*model);
    EXPECT_FALSE(model->breakdown().breakdown());
    EXPECT_EQ(pane.message().title(), "No Disk Details") << "its layout could not be read";
    EXPECT_FALSE(pane.message().isHidden() || pane.showsDetails());

    diskBreakdown = plainDisk();
    model->scan(tree.root().string());
    ASSERT_TRUE(scanned(*model, tree.path("folder")));
    QTest::qWait(100);
    EXPECT_FALSE(model->breakdown().breakdown() || model->breakdown().isLoading());
    EXPECT_EQ(pane.message().title(), "Scan a Whole Disk");
    EXPECT_EQ(pane.message().text(),
              "This shows where a disk’s space goes beyond your files: the system, snapshots, "
              "swap and boot files. Pick a disk in the sidebar.");
    EXPECT_FALSE(pane.message().isHidden() || pane.showsDetails());
}

TEST_F(DiskPaneTest, SnapshotsAreDeletedAfterConfirmationAndAFailureKeepsThem) {
    diskBreakdown = plainDisk();
    diskBreakdown->snapshotListing = SnapshotListing::listed;
    diskBreakdown->snapshots = {*localDate(2025, 3, 8, 10, 15, 0), *localDate(2025, 3, 9, 9, 0, 0)};
    deletionError = "Not authorized";
    auto model = makeModel();
    DiskPane pane(*model);
    scanDisk(*model);
    ASSERT_EQ(pane.snapshotTexts().size(), 1u);
    EXPECT_EQ(pane.snapshotTexts()[0],
              "2 btrfs snapshots, the oldest from " +
                  DateText::abbreviated(*localDate(2025, 3, 8, 10, 15, 0)) +
                  ". They hold on to files deleted since then; the system doesn’t report how "
                  "much.");

    answerDeletion(pane, "Cancel");
    QTest::qWait(50);
    EXPECT_EQ(deletions, 0);

    answerDeletion(pane, "Delete Snapshots");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model->breakdown().snapshotNotice().has_value(); }, 5000));
    EXPECT_EQ(*model->breakdown().snapshotNotice(), "Couldn’t delete them: Not authorized");
    QTest::qWait(50);
    EXPECT_EQ(model->breakdown().breakdown()->snapshots.size(), 2u);

    deletionError.reset();
    answerDeletion(pane, "Delete Snapshots");
    EXPECT_EQ(pane.snapshotTexts(), std::vector<QString>{"Deleting local snapshots…"});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return model->breakdown().snapshotNotice() == "Local snapshots deleted."; }, 5000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model->breakdown().breakdown()->snapshots.empty(); }, 5000));
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(pane.snapshotTexts(),
              (std::vector<QString>{
                  linuxText("None. Time Machine keeps hourly snapshots on this disk between "
                            "backups, for up to 24 hours."),
                  "Local snapshots deleted."}));
}

TEST(DiskPaneTexts, VolumesAreLabelledByTheirFirstRoleAndEmptySnapshotListsSayWhy) {
    EXPECT_EQ(DiskPane::label({"root", {"System"}, 1, "sda2"}), "Linux (root)");
    EXPECT_EQ(DiskPane::label({"/boot", {"Preboot"}, 1, "sda1"}), "Boot files (/boot)");
    EXPECT_EQ(DiskPane::label({"x", {"Recovery", "System"}, 1, "d"}), "Recovery");
    EXPECT_EQ(DiskPane::label({"x", {"Update"}, 1, "d"}), "Pending updates");
    EXPECT_EQ(DiskPane::label({"/home", {}, 1, "d"}), "/home");
    EXPECT_EQ(DiskPane::label({"Backup", {"Data", "System"}, 1, "d"}), "Backup");

    DiskBreakdown breakdown;
    breakdown.snapshotListing = SnapshotListing::needsRoot;
    EXPECT_EQ(DiskPane::snapshotLine(breakdown),
              "Unknown: listing btrfs snapshots needs administrator rights.");
    breakdown.snapshotListing = SnapshotListing::failed;
    EXPECT_EQ(DiskPane::snapshotLine(breakdown), "Unknown: the snapshot tools didn’t answer.");
}
