#include "advisor/Advisor.h"

#include "support/FakeMachine.h"
#include "support/ScannedTree.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

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

// Suggestions stay on the scanned disk: not in the places other disks are mounted, nor, when
// the scanned folder is there to compare with, on another mount; a path gone by now is kept.
TEST(Advisor, NothingOnAnotherDiskIsSuggested) {
    test::TemporaryFolder folder;
    std::string here = test::TreeBuilder(folder.path()).file("here", 10);
    test::FakeMachine machine;
    std::vector<Candidate> list{at("home", {"/home/u/a"}),
                                at("mac", {"/Volumes/Backup/a"}),
                                at("data", {"/System/Volumes/Data/Volumes/Backup/a"}),
                                at("usb", {"/media/u/USB/a"}),
                                at("udisks", {"/run/media/u/USB/a"}),
                                at("mnt", {"/mnt/disk/a"}),
                                at("one of two", {"/home/u/b", "/mnt/disk/b"}),
                                at("tool", {}),
                                at("here", {here}),
                                at("proc", {"/proc/self/status"}),
                                at("gone", {folder.string() + "/gone"})};
    Advisor::Detectors detectors{std::make_shared<ListDetector>("all", list)};
    auto kept = [&](const std::string& root) {
        test::SyntheticTree tree(root);
        return ids(Advisor::candidates(machine.context(tree.root(), "/home/u", kNow), detectors));
    };
    EXPECT_EQ(kept("/home/u"), (std::vector<std::string>{"home", "tool", "here", "proc", "gone"}));
    EXPECT_EQ(kept("/media/u/USB"),
              (std::vector<std::string>{"home", "usb", "tool", "here", "proc", "gone"}))
        << "a disk mounted in one of those places gives its own suggestions";
    EXPECT_EQ(kept(folder.string()), (std::vector<std::string>{"home", "tool", "here", "gone"}))
        << "a scanned folder that exists keeps out what lies on another mount";
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

// A home folder as a Linux user's looks, scanned as the application scans it (files under
// 1 MB folded into their folders), and every shipped detector run over it.
TEST(Advisor, FindsWhatALinuxHomeHoldsWithItsFiguresAndReasons) {
    namespace fs = std::filesystem;
    constexpr int64_t MB = 1'000'000;
    test::TemporaryFolder temp;
    std::string home = (temp.path() / "home").string();
    test::TreeBuilder files(home);
    auto aged = [](std::string path, int days) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * days));
        return path;
    };
    std::vector<std::string> screenshots;
    for (int month = 1; month <= 14; ++month) {
        char name[64];
        std::snprintf(name, sizeof name, "Pictures/Screenshots/Screenshot from 2024-%02d-01.png",
                      month);
        screenshots.push_back(aged(files.file(name, 900'000), 120 + 40 * month));
    }
    const std::pair<const char*, int64_t> caches[] = {
        {".cache/thumbnails/large/a.png", 3 * MB},
        {".cache/fontconfig/f.cache-8", 50'000},
        {".cache/some-app/blob", 2 * MB},
    };
    for (auto [path, size] : caches)
        aged(files.file(path, size), 40);
    for (const char* path :
         {"Pictures/2024/IMG_0001.jpg", "Backup/IMG_0001.jpg", "Desktop/IMG_0001 copy.jpg"})
        files.file(path, 6 * MB);

    AdvisorContext context = AdvisorContext::live(test::scannedTree(home, 1'000'000), home,
                                                  std::chrono::system_clock::now());
    std::vector<Candidate> found = Advisor::candidates(context, Advisor::quickDetectors());
    for (Candidate& candidate : Advisor::candidates(context, Advisor::slowDetectors()))
        found.push_back(std::move(candidate));

    using Row = std::tuple<std::string, std::vector<std::string>, int64_t, Rung>;
    auto row = [&](std::string title, std::vector<std::string> paths, Rung rung) {
        int64_t freed = 0;
        for (std::string& path : paths) {
            path = files.path(path);
            freed += fs::is_directory(path) ? test::independentUsage(path).bytes
                                            : test::allocatedBytes(path);
        }
        std::ranges::sort(paths);
        return Row{std::move(title), std::move(paths), freed, rung};
    };
    std::vector<std::string> shots;
    for (const std::string& path : screenshots)
        shots.push_back(path.substr(home.size() + 1));
    std::vector<Row> expected{
        row("Old screenshots", shots, Rung::review),
        row("Thumbnails", {".cache/thumbnails"}, Rung::rebuildable),
        row("Download Caches", {".cache/some-app"}, Rung::rebuildable),
        row("IMG_0001.jpg", {"Backup/IMG_0001.jpg", "Desktop/IMG_0001 copy.jpg"}, Rung::review),
    };
    std::vector<Row> rows;
    for (const Candidate& candidate : found) {
        std::vector<std::string> paths = candidate.paths();
        std::ranges::sort(paths);
        rows.emplace_back(candidate.title, std::move(paths), candidate.freed, candidate.rung);
        EXPECT_FALSE(candidate.evidence.empty()) << candidate.title << " says why";
    }
    std::ranges::sort(rows);
    std::ranges::sort(expected);
    EXPECT_EQ(rows, expected) << "the font cache is under 1 MB";
}

TEST(Advisor, TimingReportListsEveryDetector) {
    EXPECT_EQ(Advisor::timingReport(3, 7, 41'900us, {{"reclaim", 12ms}, {"installers", 900us}}),
              "INTERIM 3 of 7 in 41 ms\n  reclaim 12 ms\n  installers 0 ms\n");
    test::SyntheticTree tree("/home/u");
    test::FakeMachine machine;
    auto times = Advisor::timeEach(machine.context(tree.root(), "/home/u", kNow),
                                   {std::make_shared<ListDetector>("a", std::vector<Candidate>{}),
                                    std::make_shared<ListDetector>("b", std::vector<Candidate>{})});
    EXPECT_EQ(times.size(), 2u);
}
