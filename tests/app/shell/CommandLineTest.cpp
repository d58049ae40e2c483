// The real program, run from a terminal's point of view (no terminal: standard input is a pipe)
// in a home folder of its own with two projects whose dependencies could go.

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace tavelin::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
    std::string errors;
};

class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() {
        for (const char* project : {"alpha", "beta"}) {
            home.file(std::string(project) + "/package.json", std::string_view("{}"));
            home.file(std::string(project) + "/node_modules/lib/index.js", 3'000'000);
        }
        home.folder(".local/share");
    }

    Outcome run(const std::vector<std::string>& arguments) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.root()));
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           QString::fromStdString(home.path(".local/share")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           QString::fromStdString(home.path(".config")));
        process.setProcessEnvironment(environment);
        QStringList list;
        for (const std::string& argument : arguments)
            list << QString::fromStdString(argument);
        process.start(QStringLiteral(TAVELIN_PROGRAM), list);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60'000));
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    nlohmann::json suggestions(const std::string& goal = "max-safe") const {
        Outcome suggest = run({"--suggest", home.root(), "--goal", goal, "--json"});
        EXPECT_EQ(suggest.status, 0) << suggest.errors;
        return nlohmann::json::parse(suggest.output);
    }

    // The short id of the suggestion whose only path is `relative`, or of the action named.
    std::string idOf(const nlohmann::json& document, const std::string& match) const {
        for (const auto& suggestion : document["suggestions"])
            if (suggestion["paths"] == nlohmann::json::array({home.path(match)}) ||
                suggestion["action"] == match)
                return suggestion["id"];
        ADD_FAILURE() << "no suggestion for " << match;
        return {};
    }

    std::string trashed(const std::string& name) const {
        return home.path(".local/share/Trash/files/" + name);
    }

    TemporaryFolder folder{"tavelin-cli"};
    TreeBuilder home{folder.path()};
};

TEST_F(CommandLineTest, TheExcludedFoldersOfTheSettingsAreLeftOutOfReportsAndSuggestions) {
    home.file(".config/Tavelin/Tavelin.conf",
              std::string_view("[General]\nexcludedFolders=node_modules\n"));
    Outcome report = run({"--report", home.root()});
    EXPECT_EQ(report.status, 0) << report.errors;
    EXPECT_NE(report.output.find("\n- Excluded in Tavelin’s settings: `node_modules` (2 items left "
                                 "out of every size and list here)\n"),
              std::string::npos)
        << report.output;
    EXPECT_EQ(suggestions().dump().find("node_modules"), std::string::npos);
}

TEST_F(CommandLineTest, SuggestionsCarryThePlansTicksAndOnlyTheFieldsTheManualPageNames) {
    nlohmann::json document = suggestions("4MB");
    std::ifstream manual(TAVELIN_SOURCE_DIR "/data/tavelin.1");
    std::string page((std::istreambuf_iterator<char>(manual)), {});
    auto documented = [&](const nlohmann::json& object) {
        for (const auto& [key, value] : object.items())
            EXPECT_NE(page.find("\\fB" + key + "\\fR"), std::string::npos) << key;
    };
    documented(document);
    documented(document["plan"]);
    ASSERT_EQ(document["suggestions"].size(), 2u);
    for (const auto& suggestion : document["suggestions"]) {
        documented(suggestion);
        documented(suggestion["evidence"][0]);
        EXPECT_EQ(suggestion["id"].get<std::string>().size(), 8u);
        EXPECT_EQ(suggestion["rung"], "Rebuilt");
    }
    EXPECT_EQ(document["goal"], 4'000'000);
    ASSERT_EQ(document["plan"]["steps"].size(), 2u) << "3 MB each: both are needed for 4 MB";
    auto ids = [](const nlohmann::json& plan) {
        return std::set<std::string>(plan["steps"].begin(), plan["steps"].end());
    };
    EXPECT_EQ(ids(suggestions("4MB")["plan"]), ids(document["plan"]))
        << "ids are the same from one run to the next";
    nlohmann::json small = suggestions("1MB");
    EXPECT_NE(small["suggestions"][0]["planned"], small["suggestions"][1]["planned"])
        << "one step reaches 1 MB";
}

TEST_F(CommandLineTest, AppliedStepsGoToTheTrashAndComeBackWithUndo) {
    std::string unreadable =
        home.file(".local/share/Tavelin/undo/1000-0badbad0.json", std::string_view("{not json"));
    Outcome applied =
        run({"--apply", home.root(), "--step", idOf(suggestions(), "alpha/node_modules"), "--yes"});
    EXPECT_EQ(applied.status, 0) << applied.errors;
    EXPECT_FALSE(fs::exists(home.path("alpha/node_modules")));
    EXPECT_TRUE(fs::exists(trashed("node_modules")));
    EXPECT_TRUE(fs::exists(home.path("beta/node_modules"))) << "only the step named";
    EXPECT_NE(applied.output.find("Move 1 item to the Trash."), std::string::npos)
        << applied.output;

    Outcome listed = run({"--undo", "--list"});
    EXPECT_NE(listed.output.find("can be put back  Node Modules"), std::string::npos)
        << listed.output;
    EXPECT_NE(listed.output.find("0badbad0  "), std::string::npos);
    EXPECT_NE(listed.output.find("unreadable"), std::string::npos);
    EXPECT_EQ(run({"--undo", "0badbad0"}).status, 1) << "an unreadable record is never acted on";

    Outcome undone = run({"--undo"});
    EXPECT_EQ(undone.status, 0) << undone.errors;
    EXPECT_TRUE(fs::exists(home.path("alpha/node_modules/lib/index.js")));
    EXPECT_FALSE(fs::exists(trashed("node_modules")));
    EXPECT_NE(run({"--undo", "--list"}).output.find("put back  Node Modules"), std::string::npos);
    EXPECT_EQ(run({"--undo"}).status, 1) << "nothing left to put back";
    EXPECT_TRUE(fs::exists(unreadable)) << "an unreadable record is never deleted";
}

TEST_F(CommandLineTest, TheTrashIsEmptiedOnlyByNameAndKeepsWhatTheSameBatchMovedThere) {
    ASSERT_EQ(
        run({"--apply", home.root(), "--step", idOf(suggestions(), "alpha/node_modules"), "--yes"})
            .status,
        0);
    nlohmann::json document = suggestions();
    ASSERT_NE(idOf(document, "emptyTrash"), "");
    Outcome planned = run({"--apply", home.root(), "--goal", "max-safe", "--yes"});
    EXPECT_TRUE(fs::exists(trashed("node_modules")))
        << "a plan that ticks the Trash leaves it without --empty-trash: " << planned.output;

    Outcome emptied = run({"--apply", home.root(), "--step", idOf(document, "beta/node_modules"),
                           "--yes", "--empty-trash"});
    EXPECT_EQ(emptied.status, 0) << emptied.errors;
    EXPECT_NE(emptied.output.find("Emptying the Trash can’t be undone."), std::string::npos);
    EXPECT_FALSE(fs::exists(home.path("beta/node_modules")));
    auto entries = std::distance(fs::directory_iterator(trashed("")), fs::directory_iterator());
    EXPECT_EQ(entries, 1) << "alpha's went for good, beta's stays to be put back";
    EXPECT_EQ(run({"--undo"}).status, 0);
    EXPECT_TRUE(fs::exists(home.path("beta/node_modules/lib/index.js")));
}

TEST_F(CommandLineTest, BadInputSaysWhatIsWrongAndChangesNothing) {
    nlohmann::json document = suggestions();
    std::string step = idOf(document, "alpha/node_modules");
    std::string trash = home.file(".local/share/Trash/files/old", 1000);
    home.file(".local/share/Trash/info/old.trashinfo",
              std::string_view("[Trash Info]\nPath=/old\nDeletionDate=2020-01-01T00:00:00\n"));
    struct Case {
        std::vector<std::string> arguments;
        int status;
    };
    const std::string root = home.root();
    for (const Case& each : std::vector<Case>{
             {{"--bogus"}, 2},
             {{root, "--condensed"}, 2},
             {{"--suggest", root, "--goal", "lots"}, 2},
             {{"--suggest", root, "--json", "--step", step}, 2},
             {{"--apply", root}, 2},
             {{"--apply", root, "--step", "00000000", "--yes"}, 2},
             {{"--apply", root, "--step", step}, 2},
             {{"--apply", root, "--step", idOf(suggestions(), "emptyTrash"), "--yes"}, 2},
             {{"--undo", "00000000"}, 2},
             {{"--suggest", home.path("missing")}, 1},
             {{home.path("missing")}, 1},
         }) {
        SCOPED_TRACE(each.arguments.back());
        Outcome result = run(each.arguments);
        EXPECT_EQ(result.status, each.status);
        EXPECT_TRUE(result.errors.starts_with("tavelin: ")) << result.errors;
        EXPECT_EQ(std::ranges::count(result.errors, '\n'), 1) << result.errors;
        EXPECT_TRUE(fs::exists(home.path("alpha/node_modules/lib/index.js")));
        EXPECT_TRUE(fs::exists(trash));
    }
}

} // namespace
} // namespace tavelin::test
