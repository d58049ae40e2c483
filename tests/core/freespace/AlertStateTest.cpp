#include "freespace/AlertState.h"

#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace tavelin;
using test::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(AlertState, SavesItsJsonFormAndReadsItBack) {
    TemporaryFolder temp;
    AlertState state;
    state.lastSent = {{AlertKind::critical, dateFromSecondsSince1970(1'700'000'000.25)},
                      {AlertKind::suddenDrop, dateFromSecondsSince1970(1'700'003'600.5)}};
    state.disarmed = {AlertKind::runningOut, AlertKind::critical};
    state.lastAny = dateFromSecondsSince1970(1'700'003'600.5);
    state.save(temp.path() / "Tavelin");

    fs::path file = temp.path() / "Tavelin" / "FreeSpaceAlerts.json";
    EXPECT_EQ(fileText(file),
              R"({"disarmed":["critical","runningOut"],"lastAny":1700003600.5,)"
              R"("lastSent":{"critical":1700000000.25,"suddenDrop":1700003600.5}})");
    EXPECT_EQ(AlertState::load(temp.path() / "Tavelin"), state);

    AlertState fresh;
    fresh.save(temp.path());
    EXPECT_EQ(fileText(temp.path() / "FreeSpaceAlerts.json"), R"({"disarmed":[],"lastSent":{}})");
    EXPECT_EQ(AlertState::load(temp.path()), fresh);
}

TEST(AlertState, MissingFileIsAFreshState) {
    TemporaryFolder temp;
    EXPECT_EQ(AlertState::load(temp.path() / "nowhere"), AlertState());
}

TEST(AlertState, ADamagedFileIsKeptAsideAndTheStateStartsFresh) {
    const char* damaged[] = {
        "",
        R"({"lastSent": {"critical": 17)",
        "[]",
        R"({"lastSent": [], "disarmed": []})",
        R"({"lastSent": {"critical": "yesterday"}})",
        R"({"disarmed": "critical"})",
        R"({"disarmed": [1]})",
        R"({"lastAny": null})",
        R"({"lastAny": 1e300})",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        TemporaryFolder temp;
        writeFile(temp.path() / "FreeSpaceAlerts.json", text);
        EXPECT_EQ(AlertState::load(temp.path()), AlertState());
        EXPECT_EQ(fileText(temp.path() / "FreeSpaceAlerts.json.broken"), text);
    }
}

TEST(AlertState, KindsItDoesNotKnowArePassedOver) {
    TemporaryFolder temp;
    writeFile(temp.path() / "FreeSpaceAlerts.json",
              R"({"lastSent": {"critical": 5, "overheating": 6},
                  "disarmed": ["overheating", "suddenDrop"]})");
    AlertState state = AlertState::load(temp.path());
    EXPECT_EQ(state.lastSent,
              (std::map<AlertKind, Date>{{AlertKind::critical, dateFromSecondsSince1970(5)}}));
    EXPECT_EQ(state.disarmed, std::set{AlertKind::suddenDrop});
    EXPECT_FALSE(state.lastAny);
    EXPECT_FALSE(fs::exists(temp.path() / "FreeSpaceAlerts.json.broken"));
}
