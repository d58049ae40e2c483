#include "advisor/Projects.h"

#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"

#include <gtest/gtest.h>

using namespace tavelin;

namespace {

struct ProjectsTest : ::testing::Test {
    test::FakeMachine machine;
    AdvisorContext::FileExists exists = [this](const std::string& path) {
        return machine.files.contains(path) || machine.texts.contains(path);
    };
    AdvisorContext::ReadFile read = [this](const std::string& path) -> std::optional<std::string> {
        auto found = machine.texts.find(path);
        return found == machine.texts.end() ? std::nullopt : std::optional(found->second);
    };
    Projects::Cache cache;

    std::optional<Project> owner(const Node& node, std::string_view under = "/Users/u") {
        return Projects::owner(node, under, exists, read, cache);
    }
};

} // namespace

TEST_F(ProjectsTest, LinkedWorktreesBelongToTheMainCheckout) {
    machine.texts["/Users/u/code/app-feature/.git"] =
        "gitdir: /Users/u/code/app/.git/worktrees/feature\n";
    EXPECT_EQ(Projects::project("/Users/u/code/app-feature", read),
              (Project{"/Users/u/code/app", "code"}))
        << "the generic name app gives way to its parent's";

    machine.texts["/Users/u/w/feature/.git"] = "gitdir:   ../shop/.git/worktrees/feature \r\n";
    EXPECT_EQ(Projects::project("/Users/u/w/feature", read), (Project{"/Users/u/w/shop", "shop"}))
        << "a relative gitdir is read from the worktree's folder";

    machine.texts["/Users/u/lib/sub/.git"] = "gitdir: ../.git/modules/sub";
    EXPECT_EQ(Projects::project("/Users/u/lib/sub", read), (Project{"/Users/u/lib/sub", "sub"}))
        << "a submodule is a project of its own";
}

TEST_F(ProjectsTest, UnreadableOrOddGitFilesLeaveTheFolderItsOwnRoot) {
    machine.texts["/Users/u/a/.git"] = "gitdir:"; // nothing after the prefix, no newline
    machine.texts["/Users/u/b/.git"] = "not a pointer";
    EXPECT_EQ(Projects::project("/Users/u/a", read).root, "/Users/u/a");
    EXPECT_EQ(Projects::project("/Users/u/b", read).root, "/Users/u/b");
    EXPECT_EQ(Projects::project("/Users/u/c", read).root, "/Users/u/c")
        << "unreadable, as a .git file that is not UTF-8 reads";
    EXPECT_EQ(Projects::project("/Users/u/Src", read).name, "u") << "generic names in any case";
}

TEST_F(ProjectsTest, OwnerIsTheInnermostProjectBelowTheHomeFolder) {
    test::SyntheticTree tree("/");
    tree.folder("/Users/u/code/web/.git", 10);
    Node& outer = tree.folder("/Users/u/code/web/packages/ui/node_modules", 10);
    machine.files.insert("/Users/u/code/web/packages/ui/.git");
    EXPECT_EQ(owner(outer), (Project{"/Users/u/code/web/packages/ui", "ui"}))
        << "a .git file the scan left out still marks a root";

    Node& unity = tree.folder("/Users/u/games/Kart/Library", 10);
    tree.folder("/Users/u/games/Kart/Assets", 10);
    tree.folder("/Users/u/games/Kart/ProjectSettings", 10);
    EXPECT_EQ(owner(unity), (Project{"/Users/u/games/Kart", "Kart"}));

    Node& xcode = tree.folder("/Users/u/ios/Notes/build", 10);
    tree.folder("/Users/u/ios/Notes/Notes.xcodeproj", 10);
    EXPECT_EQ(owner(xcode), (Project{"/Users/u/ios/Notes", "Notes"}));
}

TEST_F(ProjectsTest, OwnerNeverLooksAtOrAboveTheLimitOrTheTreeTop) {
    test::SyntheticTree tree("/");
    tree.folder("/Users/u/.git", 10);
    machine.files.insert("/.git");
    Node& loose = tree.folder("/Users/u/Downloads/node_modules", 10);
    EXPECT_EQ(owner(loose), std::nullopt) << "a dotfiles repository in home is no project";

    test::SyntheticTree scanned("/Users/u/code/app");
    machine.files.insert("/Users/u/code/app/.git");
    Node& top = scanned.folder("node_modules", 10);
    EXPECT_EQ(owner(top), std::nullopt) << "the scanned folder itself is not examined";

    Node& elsewhere = tree.folder("/srv/site/node_modules", 10);
    machine.files.insert("/srv/site/.git");
    EXPECT_EQ(owner(elsewhere), (Project{"/srv/site", "site"})) << "outside home, up to the top";
}

TEST_F(ProjectsTest, EveryExaminedFolderRemembersTheAnswer) {
    test::SyntheticTree tree("/");
    tree.folder("/Users/u/code/app/.git", 10);
    Node& deep = tree.folder("/Users/u/code/app/a/b/node_modules", 10);
    Node& none = tree.folder("/Users/u/misc/x/target", 10);
    Project app{"/Users/u/code/app", "code"};
    EXPECT_EQ(owner(deep), app);
    EXPECT_EQ(owner(none), std::nullopt);
    EXPECT_EQ(cache.at("/Users/u/code/app/a/b"), app);
    EXPECT_EQ(cache.at("/Users/u/code/app/a"), app);
    EXPECT_EQ(cache.at("/Users/u/code/app"), app);
    EXPECT_EQ(cache.at("/Users/u/misc/x"), std::nullopt);
    EXPECT_EQ(cache.at("/Users/u/misc"), std::nullopt);
    EXPECT_FALSE(cache.contains("/Users/u")) << "the limit is never examined";

    tree.folder("/Users/u/misc/.git", 10); // appears later: the cached answer stands
    EXPECT_EQ(owner(none), std::nullopt);
}
