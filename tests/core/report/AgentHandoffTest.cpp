#include "platform/Process.h"
#include "report/AgentScript.h"
#include "report/ChatLink.h"
#include "report/ReportFolder.h"
#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using test::TemporaryFolder;

using test::readText;
using test::writeText;

TEST(ReportFolder, SavesPrivatelyUnderADatedNameAndKeepsTheNewestFortyOrSaysWhyNot) {
    TemporaryFolder temporary;
    fs::path folder = temporary.path() / "Tavelin" / "Agent Reports";
    auto now = fs::file_time_type::clock::now();
    for (int index = 0; index < 40; ++index) {
        fs::path old = folder / ("old " + std::to_string(index) + ".md");
        writeText(old, "x");
        fs::last_write_time(old, now - std::chrono::hours(100 - index));
    }

    fs::path saved = std::get<fs::path>(
        ReportFolder::save(folder, "# Report", dateFromSecondsSince1970(1'741'529'105)));

    EXPECT_EQ(saved, folder / "Tavelin report 2025-03-09T140505Z.md");
    EXPECT_EQ(readText(saved), "# Report");
    EXPECT_EQ(std::pair(fs::status(saved).permissions(), fs::status(folder).permissions()),
              std::pair(fs::perms(0600), fs::perms(0700)));
    auto left = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    EXPECT_EQ(left, 40);
    EXPECT_FALSE(fs::exists(folder / "old 0.md")) << "the oldest went";
    EXPECT_TRUE(fs::exists(folder / "old 1.md"));

    auto failed = ReportFolder::save(saved, "# Report", Date{});
    ASSERT_TRUE(std::holds_alternative<std::string>(failed));
    EXPECT_TRUE(std::get<std::string>(failed).starts_with(
        "The report couldn’t be saved in “Tavelin report 2025-03-09T140505Z.md”: "));
}

// A folder name meant to run code if it ever reached the shell unquoted.
constexpr std::string_view kHostile = "it's $(touch PWNED) `touch PWNED` '\\'' \"q\" ; |\n\xff";

TEST(AgentScript, HandsHostileNamesToTheAgentByteForByteAndKeepsOptionsAndPathsPlain) {
    TemporaryFolder temporary;
    fs::path place = temporary.path() / std::string(kHostile);
    fs::create_directories(place);
    fs::path record = temporary.path() / "arguments";
    fs::path agent = place / "agent";
    writeText(agent, "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > \"$RECORD\"\n");
    fs::permissions(agent, fs::perms::owner_all);
    std::string prompt = "Look at " + std::string(kHostile) + "\n\nThe report is in this file: " +
                         (place / "Tavelin report.md").string();
    fs::path promptFile = place / "Tavelin report.prompt.txt";
    writeText(promptFile, prompt);
    fs::path script = place / "Tavelin report.sh";
    writeText(script, AgentScript::text({.name = "Claude Code",
                                         .executable = agent.string(),
                                         .arguments = {"--mode", std::string(kHostile)},
                                         .promptFile = promptFile.string(),
                                         .path = "/usr/bin:/bin:" + std::string(kHostile)}));
    ::setenv("RECORD", record.c_str(), 1);

    auto result = platform::runProcess({.program = "/bin/sh", .arguments = {script.string()}});
    ::unsetenv("RECORD");

    EXPECT_EQ(result.status, 0) << result.output;
    std::string expected =
        agent.string() + '\0' + "--mode" + '\0' + std::string(kHostile) + '\0' + prompt + '\0';
    EXPECT_EQ(readText(record), expected);
    EXPECT_NE(result.output.find("Tavelin is handing its report to Claude Code. It can look"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(place / "PWNED"));
    EXPECT_FALSE(fs::exists(fs::path(std::getenv("HOME")) / "PWNED"));

    EXPECT_EQ(AgentScript::shellQuoted(""), "''");

    EXPECT_EQ(AgentScript::promptArgument("-x look", {"--mode", "--"}), "-x look");
    EXPECT_EQ(AgentScript::promptArgument("-x look", {"--mode"}), " -x look");
    EXPECT_EQ(AgentScript::promptArgument("look -x", {}), "look -x");

    EXPECT_EQ(AgentScript::folder("/run/az/AZ/09._-", 7), "/run/az/AZ/09._-/tavelin-agents");
    for (const char* runtime : {"", "run/user/7", "/home/a b/run", "/run/'x'"})
        EXPECT_EQ(AgentScript::folder(runtime, 7), "/tmp/tavelin-agents-7") << runtime;
}

TEST(ChatLink, KeepsSevenThousandCharactersShortensByWholeLinesAndEncodesTheQueryValue) {
    std::string prompt = "Please look.";
    // The prompt, the blank line and the report make exactly the limit.
    std::string line = std::string(99, 'r') + "\n";
    std::string report;
    while (report.size() + prompt.size() + 2 + line.size() <= ChatLink::kLimit)
        report += line;
    report += std::string(ChatLink::kLimit - prompt.size() - 2 - report.size(), 'x');
    ASSERT_EQ(prompt.size() + 2 + report.size(), ChatLink::kLimit);
    EXPECT_EQ(ChatLink::text(prompt, report), prompt + "\n\n" + report);

    std::string shortened = ChatLink::text(prompt, report + "y");
    const std::string note =
        "\n\n(Shortened to fit. Ask me for the rest of the report if you need it.)";
    ASSERT_TRUE(shortened.ends_with(note));
    std::string kept = shortened.substr(0, shortened.size() - note.size());
    EXPECT_LT(kept.size(), 6'941u);
    EXPECT_GE(kept.size(), 6'941u - line.size());
    EXPECT_TRUE((prompt + "\n\n" + report).starts_with(kept + "\n"));

    // One line too long stays whole, with the note.
    EXPECT_TRUE(ChatLink::text("p", std::string(8'000, 'z')).starts_with("p\n\n"));
    // Characters, not bytes: 7,000 two-byte letters fit.
    std::string letters;
    for (int index = 0; index < 6'997; ++index)
        letters += "é";
    EXPECT_EQ(ChatLink::text("a", letters), "a\n\n" + letters);

    // Everything that could end the query value is encoded.
    EXPECT_EQ(ChatLink::queryValue("a&b=c+d#e f?g/h"), "a%26b%3Dc%2Bd%23e%20f?g/h");
    EXPECT_EQ(ChatLink::queryValue("é\n%\xff"), "%C3%A9%0A%25%FF");
    EXPECT_EQ(ChatLink::queryValue("~_.-!$'()*,:;@AZaz09"), "~_.-!$'()*,:;@AZaz09");
}

} // namespace
} // namespace tavelin
