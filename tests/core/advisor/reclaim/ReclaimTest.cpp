#include "advisor/reclaim/Reclaim.h"

#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

using namespace tavelin;

namespace {

constexpr int64_t MB = 1'000'000;
const std::string kHome = "/home/u";

struct ReclaimTest : ::testing::Test {
    test::SyntheticTree tree{"/"};
    test::FakeMachine machine;

    std::vector<ReclaimGroup> find(const std::string& home = kHome) {
        auto context = machine.context(tree.root(), home, Date{});
        return Reclaim::find(*tree.root(), home, Reclaim::rules(), context.fileExists,
                             context.readFile);
    }

    // The paths each rule claimed, in claim order, by rule id.
    static std::map<std::string, std::vector<std::string>>
    claims(const std::vector<ReclaimGroup>& groups) {
        std::map<std::string, std::vector<std::string>> paths;
        for (const auto& group : groups)
            for (const auto& item : group.items)
                paths[group.rule.id].push_back(item.node->path());
        return paths;
    }

    static std::map<std::string, std::string> inUse(const std::vector<ReclaimGroup>& groups) {
        std::map<std::string, std::string> reasons;
        for (const auto& group : groups)
            for (const auto& item : group.items)
                if (item.inUse)
                    reasons[item.node->name] = *item.inUse;
        return reasons;
    }
};

using Claims = std::map<std::string, std::vector<std::string>>;

} // namespace

TEST(ReclaimRules, OnlyTheTrashDeletesForGoodAndItReachesEveryTrashOfTheUser) {
    const auto& rules = Reclaim::rules();
    std::set<std::string> ids;
    for (const ReclaimRule& rule : rules) {
        EXPECT_TRUE(ids.insert(rule.id).second) << "duplicate id " << rule.id;
        EXPECT_EQ(rule.deletesPermanently, rule.id == "trash");
    }
    EXPECT_EQ(rules[0].match,
              ReclaimRule::Match::trashes(
                  std::string(std::getenv("XDG_DATA_HOME")) + "/Trash",
                  {".Trash/" + std::to_string(::getuid()), ".Trash-" + std::to_string(::getuid())}))
        << "the Trash the data folder setting points at, and those at the top of a disk";
}

// The first rule to reach a node owns it, and nothing below it is searched; a named folder
// without its markers is searched inside; named rules sharing a name are tried in table order;
// no item is under 1 MB or holds another; installed software is never searched; and any depth
// is walked without recursion.
TEST_F(ReclaimTest, EachRuleClaimsWhatItNamesOnceAndNothingAroundOrBelowIt) {
    std::string trash = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    std::string deep = "/home/u/deep";
    for (int level = 0; level < 100'000; ++level)
        deep += "/d";
    tree.folder(deep);
    for (const char* empty :
         {"/home/u/.cache/pip", "/home/u/.npm/_cacache", "/home/u/app/node_modules"})
        tree.folder(empty, 0);
    const std::pair<const char*, int64_t> folders[] = {
        {"/home/u/.cache/node_modules", 5 * MB},
        {"/home/u/.cache/small", MB - 1},
        {"/home/u/.cache/exactly", MB},
        {"/home/u/.cache/JetBrains/IC2024.1", 5 * MB},
        {"/home/u/.cache/JetBrains/IC2023.2", MB - 1},
        {"/home/u/web/node_modules/left-pad/node_modules", 2 * MB},
        {"/home/u/rs/target/debug/build/node_modules", 3 * MB},
        {"/home/u/rs/target/debug/build/.venv", 1 * MB},
        {"/home/u/both/.venv", 1 * MB},
        {"/home/u/old/.venv", 1 * MB},
        {"/home/u/site/.next", 1 * MB},
    };
    for (auto [path, size] : folders)
        tree.folder(path, size);
    tree.folder(trash + "/files/note.txt", 10);
    for (const char* marker :
         {"/home/u/.cache/package.json", "/home/u/web/node_modules/left-pad/package.json",
          "/home/u/app/package.json", "/home/u/rs/Cargo.toml",
          "/home/u/rs/target/debug/build/package.json",
          "/home/u/rs/target/debug/build/requirements.txt", "/home/u/both/pyproject.toml",
          "/home/u/both/requirements.txt", "/home/u/old/requirements.txt",
          "/home/u/site/package.json"})
        machine.files.insert(marker);
    for (const char* project :
         {"/usr/lib/node_modules/npm", "/opt/Editor/resources/app", "/var/lib/docker/overlay2/x",
          "/home/u/.vscode/extensions/ms-python", "/home/u/.local/share/flatpak/app/x",
          "/home/u/code/site"}) {
        tree.folder(std::string(project) + "/node_modules", 5 * MB);
        machine.files.insert(std::string(project) + "/package.json");
    }
    EXPECT_EQ(claims(find()),
              (Claims{{"cargo-target", {"/home/u/rs/target"}},
                      {"dev-caches", {"/home/u/.cache/node_modules", "/home/u/.cache/exactly"}},
                      {"jetbrains-caches", {"/home/u/.cache/JetBrains/IC2024.1"}},
                      {"next-build", {"/home/u/site/.next"}},
                      {"node-modules",
                       {"/home/u/web/node_modules/left-pad/node_modules",
                        "/home/u/code/site/node_modules"}},
                      {"python-venv", {"/home/u/both/.venv"}},
                      {"python-venv-requirements", {"/home/u/old/.venv"}},
                      {"trash", {trash}}}))
        << "the Trash whatever it holds; not the folder around a claimed item";
}

TEST_F(ReclaimTest, AnOpenUnityProjectKeepsItsLibrary) {
    for (const char* project : {"/home/u/games/Kart", "/home/u/games/Maze"}) {
        tree.folder(std::string(project) + "/Library", 400 * MB);
        machine.files.insert(std::string(project) + "/Assets");
        machine.files.insert(std::string(project) + "/ProjectSettings");
    }
    machine.files.insert("/home/u/games/Kart/Temp/UnityLockfile");
    auto groups = find();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(inUse(groups),
              (std::map<std::string, std::string>{{"Library", "Unity has this project open"}}));
    EXPECT_EQ(groups[0].items[0].node->path(), "/home/u/games/Maze/Library")
        << "the walk takes the last folder pushed first";
    EXPECT_EQ(groups[0].freed(), 400 * MB);
    EXPECT_EQ(groups[0].onDisk(), 800 * MB);
    EXPECT_FALSE(groups[0].allInUse());
}

TEST_F(ReclaimTest, UnityEditorsThatProjectsUseAreInUse) {
    const std::string editors = "/home/u/Unity/Hub/Editor/";
    for (const char* version : {"2022.3.10f1", "6000.0.1f1", "2021.1.0f1"})
        tree.folder(editors + version, 3000 * MB);
    auto project = [&](const std::string& path, const std::string& versionFile) {
        tree.folder(path + "/Library", 10 * MB);
        machine.files.insert(path + "/Assets");
        machine.files.insert(path + "/ProjectSettings");
        machine.texts[path + "/ProjectSettings/ProjectVersion.txt"] = versionFile;
    };
    project("/home/u/p/Zeta", "m_EditorVersion: 2022.3.10f1\r\nm_EditorVersionWithRevision: x\r\n");
    project("/home/u/p/Alpha", "m_EditorVersion:\t2022.3.10f1");
    project("/home/u/q/Alpha", "m_EditorVersion: 2022.3.10f1\n");
    project("/home/u/p/Beta", "m_EditorVersionWithRevision: 6000.0.1f1 (abc)\n");
    project("/home/u/p/Gamma", "m_EditorVersion: 6000.0.1f1 (abc)\n");
    EXPECT_EQ(inUse(find()),
              (std::map<std::string, std::string>{{"2022.3.10f1", "Used by Alpha and Zeta"}}));
}

// Odd names are parsed without guessing: one piece is left alone, extra spaces don't count, a
// version piece that is no number ends the version, and quotes and newlines are only text.
TEST_F(ReclaimTest, DebugSymbolsKeepTheNewestPerDevice) {
    const std::string base = "/home/u/Library/Developer/Xcode/iOS DeviceSupport/";
    for (const char* name :
         {"iPhone17,1 26.0 (23A341)", "iPhone17,1 18.6 (22G86)", "iPhone15,2 18.2 (22C152)",
          "iPad8,1 26.0 (23A341)", "iPad8,1 26.0.1 (23A355)", "iPhone9,9 17.0 (21A340)",
          "iPhone9,9 17.0 (21A341)", "iPhone9,9 17.0 (21A339)", "Watch7,1",
          "  iPhone1,1   16.0   (20A1)  ", "iPhone1,1 16.0.x (20A2)", "iPhone2,1 beta",
          "iPhone2,1 1 (unclosed", "iPhone3,1 2 \"x\"\n(9Z)"})
        tree.folder(base + name, 100 * MB);
    const std::string newest = "Newest for this device, likely what it runs";
    std::map<std::string, std::string> reasons;
    for (const char* name :
         {"iPad8,1 26.0.1 (23A355)", "iPhone1,1 16.0.x (20A2)", "iPhone15,2 18.2 (22C152)",
          "iPhone17,1 26.0 (23A341)", "iPhone2,1 1 (unclosed", "iPhone3,1 2 \"x\"\n(9Z)",
          "iPhone9,9 17.0 (21A341)"})
        reasons[name] = newest;
    EXPECT_EQ(inUse(find()), reasons) << "of equal versions the later build";
}

TEST_F(ReclaimTest, GroupsComeLargestFirstWithTheTrashAmongThem) {
    const char* data = std::getenv("XDG_DATA_HOME");
    ASSERT_TRUE(data);
    tree.folder(std::string(data) + "/Trash", 50 * MB);
    tree.folder("/home/u/.gradle/caches", 80 * MB);
    tree.folder("/home/u/.cache/a", 30 * MB, 30 * MB);
    tree.folder("/home/u/.cache/b", 40 * MB, 10 * MB);
    auto groups = find();
    std::vector<std::string> order;
    for (const auto& group : groups)
        order.push_back(group.rule.id);
    EXPECT_EQ(order, (std::vector<std::string>{"gradle-caches", "trash", "dev-caches"}));
    EXPECT_EQ(claims(groups)["dev-caches"],
              (std::vector<std::string>{"/home/u/.cache/b", "/home/u/.cache/a"}))
        << "in the tree's order, largest on disk first";
}

TEST_F(ReclaimTest, AScanOfInstalledSoftwareFindsNoNamedFolders) {
    machine.files.insert("/opt/Editor/resources/app/package.json");
    for (std::string top : {"/opt", "/opt/Editor/resources"}) {
        test::SyntheticTree scanned(top);
        scanned.folder("/opt/Editor/resources/app/node_modules", 5 * MB);
        auto context = machine.context(scanned.root(), kHome, Date{});
        EXPECT_TRUE(Reclaim::find(*scanned.root(), kHome, Reclaim::rules(), context.fileExists,
                                  context.readFile)
                        .empty())
            << "a scan of " << top;
    }
}
