#include "freespace/AlertState.h"

#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

using namespace tavelin;
using test::readText;
using test::TemporaryFolder;
using test::writeText;
namespace fs = std::filesystem;

TEST(AlertState, SavesItsJsonFormAndReadsItBack) {
    TemporaryFolder temp;
    AlertState state;
    state.lastSent = {{AlertKind::critical, dateFromSecondsSince1970(1'700'000'000.25)},
                      {AlertKind::suddenDrop, dateFromSecondsSince1970(1'700'003'600.5)}};
    state.disarmed = {AlertKind::runningOut, AlertKind::critical};
    state.lastAny = dateFromSecondsSince1970(1'700'003'600.5);
    state.save(temp.path() / "Tavelin");
    EXPECT_EQ(readText(temp.path() / "Tavelin" / AlertState::fileName),
              R"({"disarmed":["critical","runningOut"],"lastAny":1700003600.5,)"
              R"("lastSent":{"critical":1700000000.25,"suddenDrop":1700003600.5}})");
    EXPECT_EQ(AlertState::load(temp.path() / "Tavelin"), state);

    AlertState().save(temp.path());
    EXPECT_EQ(readText(temp.path() / AlertState::fileName), R"({"disarmed":[],"lastSent":{}})");
    EXPECT_EQ(AlertState::load(temp.path()), AlertState());
    EXPECT_EQ(AlertState::load(temp.path() / "nowhere"), AlertState()) << "no file yet";

    // Kinds it does not know are passed over, and the file is not damaged for that.
    writeText(temp.path() / AlertState::fileName,
              R"({"lastSent": {"critical": 5, "overheating": 6},
                  "disarmed": ["overheating", "suddenDrop"]})");
    AlertState known;
    known.lastSent = {{AlertKind::critical, dateFromSecondsSince1970(5)}};
    known.disarmed = {AlertKind::suddenDrop};
    EXPECT_EQ(AlertState::load(temp.path()), known);
    EXPECT_FALSE(fs::exists(temp.path() / "FreeSpaceAlerts.json.broken"));
}

TEST(AlertState, ADamagedFileIsKeptAsideAndTheStateStartsFresh) {
    for (const char* text :
         {"", R"({"lastSent": {"critical": 17)", "[]", R"({"lastSent": [], "disarmed": []})",
          R"({"lastSent": {"critical": "yesterday"}})", R"({"disarmed": "critical"})",
          R"({"disarmed": [1]})", R"({"lastAny": null})", R"({"lastAny": 1e300})"}) {
        SCOPED_TRACE(text);
        TemporaryFolder temp;
        writeText(temp.path() / AlertState::fileName, text);
        EXPECT_EQ(AlertState::load(temp.path()), AlertState());
        EXPECT_EQ(readText(temp.path() / "FreeSpaceAlerts.json.broken"), text);
    }
}
