// Runs every suite with HOME, the XDG folders and the number locale pinned, so that no test
// reads or writes the real user's files and formatted figures read the same everywhere.

#include "support/TemporaryFolder.h"
#include "util/Format.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <locale>

int main(int argc, char** argv) {
    tavelin::test::TemporaryFolder home("tavelin-home");
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        auto folder = home.path() / name;
        std::filesystem::create_directories(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        ::setenv(name, folder.c_str(), 1);
    }
    ::setenv("HOME", home.path().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::locale::global(tavelin::englishNumberLocale());

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
