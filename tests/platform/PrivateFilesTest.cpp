#include "platform/PrivateFiles.h"

#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

TEST(PrivateFiles, CloseTheFolderRefuseALinkAndNeverOpenAnExistingFile) {
    test::TemporaryFolder temporary;
    fs::path folder = temporary.path() / "data" / "Agent Reports";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms(0755));
    ASSERT_FALSE(makePrivateFolder(folder));
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700));
    EXPECT_FALSE(makePrivateFolder(temporary.path() / "new" / "deep"));
    EXPECT_EQ(fs::status(temporary.path() / "new" / "deep").permissions(), fs::perms(0700));
    fs::create_directory_symlink(folder, temporary.path() / "link");
    EXPECT_TRUE(makePrivateFolder(temporary.path() / "link"));

    // A link in the way is taken as a name in use: its target stays untouched.
    fs::create_symlink(temporary.path() / "target", folder / "r.md");
    std::vector<fs::path> written;
    for (const char* text : {"first", "second"})
        written.push_back(std::get<fs::path>(writeNewPrivateFile(folder, "r", ".md", text)));

    EXPECT_EQ(written, (std::vector<fs::path>{folder / "r-2.md", folder / "r-3.md"}));
    EXPECT_EQ(test::readText(written[0]) + test::readText(written[1]), "firstsecond");
    EXPECT_EQ(fs::status(written[0]).permissions(), fs::perms(0600));
    EXPECT_FALSE(fs::exists(temporary.path() / "target"));
}

} // namespace
} // namespace tavelin::platform
