#include "scan/Exclusions.h"

#include "advisor/AdvisorContext.h"
#include "core/scan/SessionHarness.h"
#include "support/BtrfsImage.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "util/ManualQueue.h"

#include <gtest/gtest.h>
#include <set>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

TEST(Exclusions, EntriesAreNamePatternsOrPathsMatchedAsGlobsAndScanTotalsEqualDuExclude) {
    EXPECT_EQ(Exclusions({" node_modules\t", "*.iso", "/r//x/../a/b/", "a/b", "", "..", "/",
                          "node_modules", "cache-?", "[Tt]mp"})
                  .entries(),
              (std::vector<std::string>{"node_modules", "*.iso", "/r/a/b", "cache-?", "[Tt]mp"}));
    Exclusions exclusions({"node_modules", "*.iso", "cache-?", "[Tt]mp", "/r/a/b"});
    for (const char* name : {"node_modules", "x.iso", ".iso", "cache-1", "tmp", "Tmp"})
        EXPECT_TRUE(exclusions.excludesName(name)) << name;
    for (const char* name : {"node_modules2", "x.ISO", "cache-10", "TMP", "b"})
        EXPECT_FALSE(exclusions.excludesName(name)) << name;
    for (const char* path : {"/r/a/b", "/r/a/b/c", "/r/x/tmp/y", "/r/x/y.iso/z"})
        EXPECT_TRUE(exclusions.covers("/r", path)) << path;
    for (const char* path : {"/r", "/r/a", "/r/a/bc", "/elsewhere/tmp"})
        EXPECT_FALSE(exclusions.covers("/r", path)) << path;
    EXPECT_TRUE(Exclusions({"tmp"}).covers("/", "/tmp/x"));
    EXPECT_FALSE(Exclusions({"tmp"}).excludesName("src")) << "names alone, without patterns";
    EXPECT_FALSE(Exclusions({"r"}).covers("/r", "/r")) << "the scanned folder is always measured";

    AdvisorContext context{.root = Node::makeRoot("r", "/r")};
    context.listFolder = [](const std::string&) {
        return std::optional(std::vector<FolderEntry>{{.name = "a.iso"}, {.name = "a"}});
    };
    context.exclude(exclusions);
    EXPECT_EQ(context.listFolder("/r/x")->size(), 1u);
    EXPECT_TRUE(context.listFolder("/r/a/b")->empty()) << "a folder left out lists nothing";

    test::SessionHarness scan;
    test::TreeBuilder& tree = scan.tree;
    for (const char* folder : {"node_modules", "p/node_modules", "p/q/r/s/t/node_modules"})
        tree.file(std::string(folder) + "/lib/index.js", 300'000);
    for (const char* file : {"x.iso", "p/q/r/s/big.iso", "disc.iso/track", "p/cache-1/blob",
                             "p/q/secret/key", "p/notes.txt", "keep/q/r/s/t/u/data.bin"})
        tree.file(file, 100'000);
    tree.hardLink(tree.file("p/shared", 80'000), "p/q/shared.iso");
    std::vector<std::string> entries = {"node_modules", "*.iso", "cache-?", tree.path("p/q/secret"),
                                        tree.path("p/notes.txt")};
    ScanSession& session = scan.make({}, {}, std::nullopt, 2, 1);
    session.setExclusions(Exclusions(entries));
    ASSERT_TRUE(scan.scan());

    std::string du = "du -sB1 -x";
    for (const std::string& entry : entries)
        du += " --exclude=" + test::shellQuoted(entry);
    Node& root = scan.root();
    EXPECT_EQ(std::to_string(root.size) + "\t" + tree.root().string() + "\n",
              test::outputOf(du + " " + test::shellQuoted(tree.root().string())));
    // data.bin and p/shared are counted, ten items left out.
    EXPECT_EQ(std::pair(root.fileCount, session.excluded()), std::pair(int64_t{2}, int64_t{10}));
    for (const char* gone : {"p/node_modules", "p/q/r/s/t/node_modules", "p/q/secret", "x.iso"})
        EXPECT_FALSE(root.descendant(tree.path(gone))) << gone;
    EXPECT_FALSE(session.kinds().entries().contains("js"));

    // Measured again, what arrived in an excluded place or under an excluded name stays out.
    int64_t before = root.size;
    tree.file("p/node_modules/more", 2'000'000);
    tree.file("p/node_modules2/new", 100'000);
    tree.file("p/late.iso", 2'000'000);
    ASSERT_TRUE(scan.refreshed("p/node_modules"));
    EXPECT_FALSE(root.descendant(tree.path("p/late.iso")));
    EXPECT_EQ(root.size, before + test::duBytes(tree.path("p/node_modules2")));
}

} // namespace
