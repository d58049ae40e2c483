#include "scan/FolderWatcher.h"

#include "support/Forked.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "util/ManualQueue.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <tuple>

using namespace tavelin;
using namespace std::chrono_literals;
using Event = FolderWatcher::Event;

namespace {

TEST(FolderWatcher, CoalesceKeepsOnlyWhatNoSubtreeToWalkCovers) {
    struct Case {
        const char* name;
        std::vector<Event> events;
        FolderWatcher::Coalesced expected;
    };
    const std::vector<Case> cases = {
        {"a subtree covers the folders beneath it",
         {{"/a", true}, {"/a/b", true}, {"/a/b/c", false}},
         {{}, {"/a"}}},
        {"the root covers everything", {{"/x/y", true}, {"/", true}, {"/z", false}}, {{}, {"/"}}},
        {"a name that only begins like a covered folder is not beneath it",
         {{"/a", true}, {"/ab", false}, {"/a b/c", false}, {"/a-b", true}},
         {{"/a b/c", "/ab"}, {"/a", "/a-b"}}},
        {"duplicates go, a folder both listed and walked is walked, results sorted",
         {{"/m", false}, {"/c", false}, {"/m", false}, {"/c", true}, {"/c", false}},
         {{"/m"}, {"/c"}}},
        {"the folder above a walked one is still listed",
         {{"/a/new", true}, {"/a", false}},
         {{"/a"}, {"/a/new"}}},
        {"names with newlines are paths like others",
         {{"/a\nb", false}, {"/a\nb/c", false}, {"/a\nb", true}},
         {{}, {"/a\nb"}}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderWatcher::coalesce(c.events), c.expected) << c.name;
}

// A real watcher over a real folder, its batches collected on a manual main queue.
struct Watching {
    test::TemporaryFolder temp;
    test::TreeBuilder tree{temp.path() / "tree"};
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::vector<std::vector<Event>> batches;
    std::optional<FolderWatcher::Coverage> coverage;
    std::unique_ptr<FolderWatcher> watcher;
    Exclusions exclusions;

    // Watches `root` (the tree by default) from `since` (by default from after the tree was made,
    // the slack for coarse clocks included) and waits until it is ready.
    bool start(Date since = FolderWatcher::now() + 2s, std::string root = {},
               std::shared_ptr<const FolderWatcher::KnownFolders> known = {},
               std::function<void()> limitReached = {}) {
        coverage.reset();
        watcher = FolderWatcher::make(
            root.empty() ? tree.root().string() : root, since, 0.05,
            [this](std::vector<Event> events) { batches.push_back(std::move(events)); }, queue,
            {.ready = [this](const FolderWatcher::Coverage& ready) { coverage = ready; },
             .limitReached = std::move(limitReached)},
            std::move(known), exclusions);
        return watcher && queue->runUntil([&] { return coverage.has_value(); }, 10s);
    }
    // Every event reported until `wanted` is among them.
    std::set<std::pair<std::string, bool>> until(const Event& wanted) {
        std::set<std::pair<std::string, bool>> seen;
        queue->runUntil(
            [&] {
                for (const auto& batch : batches)
                    for (const auto& event : batch)
                        seen.emplace(event.path, event.rescanSubtree);
                batches.clear();
                return seen.contains({wanted.path, wanted.rescanSubtree});
            },
            10s);
        return seen;
    }
};

// A folder node appended to `parent`, as a scan makes them.
Node::Ptr folder(const Node::Ptr& parent, const std::string& name) {
    auto node = Node::make(name, Node::Kind::directory);
    parent->append(node);
    return node;
}

TEST(FolderWatcher, ReportsChangedFoldersWatchesFoldersThatArriveAndNothingAfterItStops) {
    Watching watching;
    auto& tree = watching.tree;
    tree.file("a/b/old", 10);
    tree.folder("a/c");
    tree.folder("../elsewhere/moved/inside");
    ASSERT_TRUE(watching.start());
    EXPECT_EQ(watching.coverage->folders, 4) << "the root, a, a/b and a/c";
    EXPECT_FALSE(watching.coverage->partial);
    watching.queue->runUntil([] { return false; }, 200ms);
    EXPECT_TRUE(watching.batches.empty()) << "nothing changed since the watcher started";

    tree.file("a/b/new", 10);
    auto seen = watching.until({tree.path("a/b"), false});
    EXPECT_FALSE(seen.contains({tree.path("a"), false})) << "only the folder whose entries changed";

    std::filesystem::remove_all(tree.path("a/c"));
    seen = watching.until({tree.path("a"), false});

    // A folder that arrives is walked whole and watched with everything beneath it.
    std::filesystem::rename(watching.temp.path() / "elsewhere/moved", tree.path("a/moved"));
    seen = watching.until({tree.path("a/moved"), true});
    EXPECT_TRUE(seen.contains({tree.path("a"), false}));
    tree.file("a/moved/inside/later", 10);
    watching.until({tree.path("a/moved/inside"), false});

    // One moved out is no longer followed.
    std::filesystem::rename(tree.path("a/b"), watching.temp.path() / "out");
    watching.until({tree.path("a"), false});
    tree.file("a/new/deep/flag", 1);
    tree.file("../out/after", 10);
    seen = watching.until({tree.path("a/new"), true});
    for (const auto& [path, whole] : seen)
        EXPECT_FALSE(path.starts_with(tree.path("a/b"))) << path;

    // A change read and posted before the watcher stops is reported no more.
    tree.file("a/new/later", 10);
    std::this_thread::sleep_for(300ms);
    watching.watcher->stop();
    watching.watcher->stop();
    watching.batches.clear();
    watching.queue->runUntil([] { return false; }, 200ms);
    EXPECT_TRUE(watching.batches.empty());
}

// Reached through a link, the folders are named as the scan named them.
TEST(FolderWatcher, WatchesKnownFoldersAndThoseMadeSinceThroughALinkToTheRoot) {
    Watching watching;
    auto& tree = watching.tree;
    tree.folder("a/b");
    auto link = (watching.temp.path() / "link").string();
    std::filesystem::create_directory_symlink(tree.root(), link);
    auto root = Node::makeRoot("link", link);
    folder(folder(root, "a"), "b");
    folder(root, "gone");
    tree.folder("a/made/since");
    ASSERT_TRUE(
        watching.start(FolderWatcher::now() - 5s, link, FolderWatcher::KnownFolders::of(*root)));
    EXPECT_EQ(watching.coverage->folders, 5)
        << "the root, a, a/b, and a/made and a/made/since made since; gone is gone";
    watching.until({link + "/a", false});
    tree.file("a/made/since/file", 10);
    auto seen = watching.until({link + "/a/made/since", false});
    EXPECT_TRUE(seen.contains({link + "/a/made/since", false}));

    // Known folders list each folder before those beneath it, and only folders that may be read.
    auto model = Node::makeRoot("root", "/r");
    auto a = folder(model, "a");
    folder(folder(a, "b"), "c");
    folder(a, "d");
    folder(model, "locked")->needsAccess = true;
    model->append(Node::make("file", Node::Kind::file));
    folder(model, "e");
    std::vector<std::tuple<std::string, uint32_t, uint32_t>> listed;
    auto known = FolderWatcher::KnownFolders::of(*model);
    for (const auto& entry : known->folders)
        listed.emplace_back(entry.name, entry.parent, entry.end);
    EXPECT_EQ(listed,
              (std::vector<std::tuple<std::string, uint32_t, uint32_t>>{
                  {"", 0, 6}, {"a", 0, 5}, {"b", 1, 4}, {"c", 2, 4}, {"d", 1, 5}, {"e", 0, 6}}));
}

TEST(FolderWatcher, NeitherWatchesNorReportsWhatIsExcluded) {
    Watching watching;
    auto& tree = watching.tree;
    tree.folder("a/node_modules/deep");
    tree.folder("b");
    watching.exclusions = Exclusions({"node_modules", "*.iso"});
    ASSERT_TRUE(watching.start());
    EXPECT_EQ(watching.coverage->folders, 3) << "the root, a and b";

    tree.file("a/node_modules/deep/x", 10);
    tree.folder("a/node_modules/new");
    tree.file("a/film.iso", 10);
    tree.folder("b/node_modules");
    tree.file("b/seen", 10);
    EXPECT_EQ(watching.until({tree.path("b"), false}),
              (std::set<std::pair<std::string, bool>>{{tree.path("b"), false}}))
        << "only b’s own file changed it";
}

// A whole disk: the root is the top of its mount, here a bind mount of part of a tmpfs, so that
// the one mark on the file system also sees folders outside the root.
TEST(FolderWatcher, FollowsAWholeDiskThroughOneMarkOnItsFileSystem) {
    Watching watching;
    auto disk = watching.temp.path() / "disk";
    std::filesystem::create_directories(disk);
    if (::mount("tavelin-test", disk.c_str(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "mounting a tmpfs was refused here: " << std::strerror(errno);
    std::filesystem::create_directories(disk / "shown/a");
    std::filesystem::create_directories(disk / "outside");
    auto mounted = watching.tree.root().string();
    bool bound = ::mount((disk / "shown").c_str(), mounted.c_str(), nullptr, MS_BIND, nullptr) == 0;
    // Reached through a link, as a scan of a disk may be.
    auto root = (watching.temp.path() / "link").string();
    std::filesystem::create_directory_symlink(mounted, root);
    std::set<std::pair<std::string, bool>> seen;
    if (bound) {
        if (watching.start(FolderWatcher::now() + 2s, root) && watching.coverage->wholeFileSystem) {
            std::filesystem::create_directories(disk / "outside/ignored");
            watching.tree.file("a/file", 10);
            seen = watching.until({root + "/a", false});
        }
        watching.watcher->stop();
        ::umount2(mounted.c_str(), MNT_DETACH);
    }
    ::umount2(disk.c_str(), MNT_DETACH);
    ASSERT_TRUE(bound) << "bind-mounting a folder was refused";
    ASSERT_TRUE(watching.coverage);
    if (!watching.coverage->wholeFileSystem)
        GTEST_SKIP() << "marking a file system was refused here";
    EXPECT_EQ(watching.coverage->folders, 2) << "the root and a, followed without watches";
    EXPECT_TRUE(seen.contains({root + "/a", false}));
    for (const auto& [path, whole] : seen)
        EXPECT_TRUE(path.starts_with(root)) << path;
}

// The limit on watches is set low in a user namespace of the test's own, in a child process.
TEST(FolderWatcher, AtTheLimitOnWatchesKeepsWhatIsWatchedAndSaysSoOnce) {
    Watching watching;
    for (int i = 0; i < 12; ++i)
        watching.tree.folder("f" + std::to_string(i));
    test::ChildOutcome outcome = test::inChildProcess([&] {
        auto write = [](const char* file, const std::string& text) {
            std::ofstream out(file);
            out << text;
            return static_cast<bool>(out.flush());
        };
        if (::unshare(CLONE_NEWUSER) != 0 || !write("/proc/self/setgroups", "deny") ||
            !write("/proc/self/uid_map", "0 0 1") || !write("/proc/self/gid_map", "0 0 1") ||
            !write("/proc/sys/user/max_inotify_watches", "5"))
            ::_exit(2);
        int limits = 0;
        if (!watching.start(FolderWatcher::now() + 2s, {}, {}, [&] { ++limits; }))
            return std::array<int64_t, 3>{-1, 0, 0};
        // The root is watched first; what arrives now finds no watch left.
        watching.tree.folder("new/inside");
        watching.until({watching.tree.root().string(), false});
        return std::array<int64_t, 3>{watching.coverage->folders, watching.coverage->partial,
                                      limits};
    });
    if (outcome.status == 2)
        GTEST_SKIP() << "a user namespace with its own limit on watches was refused here";
    ASSERT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report[0], 5) << "as many as the limit allows";
    EXPECT_EQ(outcome.report[1], 1) << "partial";
    EXPECT_EQ(outcome.report[2], 1) << "said once, however many more could not be watched";
}

} // namespace
