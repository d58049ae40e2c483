#include "advisor/Advisor.h"

#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

constexpr int64_t GB = 1'000'000'000;
const Date kNow = dateFromSecondsSince1970(1'750'000'000);

Candidate at(std::string id, std::vector<std::string> paths) {
    return Candidate({.id = std::move(id),
                      .detector = "test",
                      .title = "Item",
                      .rung = Rung::rebuildable,
                      .action = AdvisorAction::trash(std::move(paths)),
                      .freed = GB,
                      .confidence = 1,
                      .rebuildMinutes = 5});
}

class ListDetector final : public Detector {
public:
    ListDetector(std::string id, std::vector<Candidate> found)
        : id_(std::move(id))
        , found_(std::move(found)) {}
    std::string id() const override { return id_; }
    std::vector<Candidate> candidates(const AdvisorContext&) const override { return found_; }

private:
    std::string id_;
    std::vector<Candidate> found_;
};

std::vector<std::string> ids(const std::vector<Candidate>& candidates) {
    std::vector<std::string> list;
    for (const Candidate& candidate : candidates)
        list.push_back(candidate.id);
    return list;
}

} // namespace

TEST(Advisor, RunsDetectorsInOrderAndScoresWhatTheyFind) {
    test::SyntheticTree tree("/home/u");
    test::FakeMachine machine;
    Advisor::Detectors detectors{
        std::make_shared<ListDetector>("one", std::vector{at("a", {"/home/u/a"})}),
        std::make_shared<ListDetector>(
            "two", std::vector{at("b", {"/home/u/b"}), at("c", {"/home/u/c"})})};
    auto found = Advisor::candidates(machine.context(tree.root(), "/home/u", kNow), detectors);
    EXPECT_EQ(ids(found), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_DOUBLE_EQ(found[0].cost, 0.5 + 0.01);
}

TEST(Advisor, NothingOnAnotherDiskIsSuggested) {
    test::FakeMachine machine;
    std::vector<Candidate> list{at("home", {"/home/u/a"}),
                                at("mac", {"/Volumes/Backup/a"}),
                                at("data", {"/System/Volumes/Data/Volumes/Backup/a"}),
                                at("usb", {"/media/u/USB/a"}),
                                at("udisks", {"/run/media/u/USB/a"}),
                                at("mnt", {"/mnt/disk/a"}),
                                at("one of two", {"/home/u/b", "/mnt/disk/b"}),
                                at("tool", {})};
    Advisor::Detectors detectors{std::make_shared<ListDetector>("all", list)};

    test::SyntheticTree home("/home/u");
    EXPECT_EQ(ids(Advisor::candidates(machine.context(home.root(), "/home/u", kNow), detectors)),
              (std::vector<std::string>{"home", "tool"}));

    // Scanning a disk mounted in one of those folders still gives its own suggestions.
    test::SyntheticTree usb("/media/u/USB");
    EXPECT_EQ(ids(Advisor::candidates(machine.context(usb.root(), "/home/u", kNow), detectors)),
              (std::vector<std::string>{"home", "usb", "tool"}));
}

TEST(Advisor, ItemsOnAnotherMountThanTheScannedRootAreDropped) {
    test::TemporaryFolder folder;
    test::TreeBuilder builder(folder.path());
    std::string here = builder.file("here", 10);
    test::SyntheticTree tree(folder.string());
    test::FakeMachine machine;
    Advisor::Detectors detectors{std::make_shared<ListDetector>(
        "all", std::vector{at("here", {here}), at("proc", {"/proc/self/status"}),
                           at("gone", {folder.string() + "/gone"})})};
    EXPECT_EQ(ids(Advisor::candidates(machine.context(tree.root(), "/home/u", kNow), detectors)),
              (std::vector<std::string>{"here", "gone"}));
}

TEST(Advisor, OnlyCandidatesWhoseItemsFinishedScanningAreSettled) {
    test::SyntheticTree tree("/home/u");
    tree.root()->isScanning = true;
    tree.file("/home/u/top", GB);
    Node& done = tree.folder("/home/u/done");
    tree.file("/home/u/done/file", GB);
    Node& busy = tree.folder("/home/u/busy");
    tree.file("/home/u/busy/file", GB);
    busy.isScanning = true;
    done.isScanning = false;
    Node& root = *tree.root();

    EXPECT_TRUE(Advisor::isSettled(at("top", {"/home/u/top"}), root)) << "the root always scans";
    EXPECT_TRUE(Advisor::isSettled(at("done", {"/home/u/done/file", "/home/u/done"}), root));
    EXPECT_FALSE(Advisor::isSettled(at("in busy", {"/home/u/busy/file"}), root));
    EXPECT_FALSE(Advisor::isSettled(at("busy", {"/home/u/busy"}), root));
    EXPECT_FALSE(Advisor::isSettled(at("one busy", {"/home/u/top", "/home/u/busy"}), root));
    EXPECT_FALSE(Advisor::isSettled(at("missing", {"/home/u/later"}), root));
    EXPECT_FALSE(Advisor::isSettled(at("no paths", {}), root));
}

TEST(Advisor, DetectorListsAreSettableAndResettable) {
    auto ids = [](const Advisor::Detectors& detectors) {
        std::vector<std::string> list;
        for (const auto& detector : detectors)
            list.push_back(detector->id());
        return list;
    };
    auto shippedQuick = ids(Advisor::quickDetectors());
    EXPECT_EQ(shippedQuick,
              (std::vector<std::string>{"downloads-old", "installers", "screenshots", "large-files",
                                        "apps-unused", "photos-library", "media-downloads",
                                        "cloud-online-only", "reclaim"}));
    EXPECT_EQ(ids(Advisor::slowDetectors()), std::vector<std::string>{"duplicates"});

    Advisor::setQuickDetectors({std::make_shared<ListDetector>("quick", std::vector<Candidate>{})});
    Advisor::setSlowDetectors({std::make_shared<ListDetector>("slow", std::vector<Candidate>{})});
    EXPECT_EQ(ids(Advisor::quickDetectors()), std::vector<std::string>{"quick"});
    EXPECT_EQ(ids(Advisor::slowDetectors()), std::vector<std::string>{"slow"});
    Advisor::resetDetectors();
    EXPECT_EQ(ids(Advisor::quickDetectors()), shippedQuick);
}

TEST(Advisor, TimingReportListsEveryDetector) {
    EXPECT_EQ(Advisor::timingReport(3, 7, 41'900us, {{"reclaim", 12ms}, {"installers", 900us}}),
              "INTERIM 3 of 7 in 41 ms\n  reclaim 12 ms\n  installers 0 ms\n");
    test::SyntheticTree tree("/home/u");
    test::FakeMachine machine;
    auto times = Advisor::timeEach(machine.context(tree.root(), "/home/u", kNow),
                                   {std::make_shared<ListDetector>("a", std::vector<Candidate>{}),
                                    std::make_shared<ListDetector>("b", std::vector<Candidate>{})});
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[1].id, "b");
}
