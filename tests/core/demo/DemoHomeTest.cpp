// The demonstration's generated home: the same every time, figures a scan would give, and
// something for the advisor to find in each of its everyday places.

#include "demo/DemoHome.h"

#include "advisor/Advisor.h"
#include "history/ScanRecord.h"
#include "util/Paths.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace tavelin;

namespace {

constexpr int64_t kThreshold = 1'000'000;
const Date kNow = dateFromSecondsSince1970(1'796'000'000);

// Every node with its figures and date, one per line, depth first.
std::string listing(const Node& node) {
    std::ostringstream out;
    out << node.path() << ' ' << node.size << ' ' << node.unique << ' ' << node.fileCount << ' '
        << node.smallFileCount << ' ' << secondsSince1970(node.modified) << '\n';
    for (const Node::Ptr& child : node.children())
        out << listing(*child);
    return out.str();
}

int64_t folders(const Node& node) {
    int64_t count = node.isDirectory() ? 1 : 0;
    for (const Node::Ptr& child : node.children())
        count += folders(*child);
    return count;
}

// A folder's figures are what lies beneath it, its children are largest first, their names
// differ, and no file below the threshold is a node of its own.
void expectScanShape(const Node& folder) {
    int64_t size = folder.smallFileSize;
    int64_t files = folder.smallFileCount;
    std::set<std::string> names;
    const Node* previous = nullptr;
    for (const Node::Ptr& child : folder.children()) {
        EXPECT_TRUE(names.insert(child->name).second) << "twice in " << folder.path();
        if (previous) {
            EXPECT_GE(previous->size, child->size) << child->path();
        }
        previous = child.get();
        if (child->isDirectory())
            expectScanShape(*child);
        else
            EXPECT_GE(child->size, kThreshold) << child->path();
        size += child->size;
        files += child->fileCount;
    }
    EXPECT_EQ(folder.size, size) << folder.path();
    EXPECT_EQ(folder.unique, folder.size) << folder.path();
    EXPECT_EQ(folder.fileCount, files) << folder.path();
}

} // namespace

TEST(DemoHomeTest, IsTheSameTreeEveryTimeShapedAsAScanLeavesItAndAMonthEarlierSmaller) {
    DemoHome first = DemoHome::generate(kNow, kThreshold);
    DemoHome second = DemoHome::generate(kNow, kThreshold);
    EXPECT_EQ(listing(*first.root()), listing(*second.root()));
    EXPECT_EQ(first.kinds().entries(), second.kinds().entries());

    const Node& root = *first.root();
    EXPECT_EQ(root.path(), DemoHome::path);
    expectScanShape(root);
    EXPECT_GT(root.size, 30'000'000'000) << "a home worth looking at";
    EXPECT_LT(root.size, DemoHome::disk().total - DemoHome::disk().free);

    // Every file is counted under its kind once; folders' own blocks belong to no kind.
    int64_t kindBytes = 0;
    int64_t kindFiles = 0;
    for (const auto& [key, entry] : first.kinds().entries()) {
        kindBytes += entry.bytes;
        kindFiles += entry.files;
    }
    EXPECT_EQ(kindFiles, root.fileCount);
    EXPECT_EQ(kindBytes, root.size - 4096 * folders(root));

    // A month earlier only the files changed since are missing.
    DemoHome earlier = DemoHome::generate(kNow, kThreshold, DemoHome::daysBetweenScans);
    expectScanShape(*earlier.root());
    std::string home(DemoHome::path);
    Node* modules = earlier.root()->descendant(home + "/Projects/webshop/node_modules");
    ASSERT_TRUE(modules) << "folders stay, empty";
    EXPECT_EQ(modules->fileCount, 0) << "installed twelve days ago";
    EXPECT_EQ(earlier.root()->descendant(home + "/Videos/Holiday in Portugal 2025.mp4")->size,
              first.root()->descendant(home + "/Videos/Holiday in Portugal 2025.mp4")->size);
    EXPECT_LT(earlier.root()->size, root.size);

    ScanRecord record = DemoHome::earlierScan(kNow, kThreshold);
    EXPECT_EQ(record.date, kNow - std::chrono::days(DemoHome::daysBetweenScans));
    EXPECT_EQ(record.sizeOf(*earlier.root(), *earlier.root()), earlier.root()->size);
}

TEST(DemoHomeTest, TheAdvisorFindsSomethingInEachEverydayPlaceAndNothingOfThisComputer) {
    DemoHome demo = DemoHome::generate(kNow, kThreshold);
    AdvisorContext context = DemoHome::context(demo.root(), kNow);
    std::vector<Candidate> found = Advisor::candidates(context, Advisor::quickDetectors());

    std::set<std::string> detectors;
    std::set<std::string> projects;
    for (const Candidate& candidate : found) {
        detectors.insert(candidate.detector);
        if (candidate.project)
            projects.insert(candidate.project->name);
        for (const std::string& path : candidate.paths())
            EXPECT_TRUE(isBelow(path, DemoHome::path)) << path;
    }
    for (std::string_view expected :
         {"downloads-old", "installers", "large-files", "screenshots", "reclaim:node-modules",
          "reclaim:cargo-target", "reclaim:python-venv", "reclaim:pip-cache", "reclaim:thumbnails",
          "reclaim:firefox-cache", "reclaim:npm-cache"})
        EXPECT_TRUE(detectors.contains(std::string(expected))) << expected;
    EXPECT_EQ(projects, (std::set<std::string>{"blog", "ml-notes", "photo-sorter", "webshop"}));

    // Its context answers from the generated home alone.
    std::string home(DemoHome::path);
    EXPECT_TRUE(context.fileExists(home + "/Projects/webshop/package.json"));
    EXPECT_TRUE(context.fileExists(home + "/Projects/webshop/node_modules"));
    EXPECT_FALSE(context.fileExists(home + "/Projects/webshop/Cargo.toml"));
    EXPECT_FALSE(context.fileExists("/etc/passwd")) << "nothing of this computer";
    EXPECT_NE(context.readFile(home + "/Projects/photo-sorter/Cargo.toml")->find("photo-sorter"),
              std::string::npos);
    EXPECT_FALSE(context.readFile("/etc/hostname"));
    EXPECT_FALSE(context.lastUsed(home + "/Downloads/zoom_amd64.deb"));
    EXPECT_TRUE(context.installedBundleIDs().empty());
    EXPECT_TRUE(context.cloudProviders().empty());
}
