#include "platform/AtomicFile.h"

#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

using tavelin::platform::replaceFile;
using tavelin::test::readText;
using tavelin::test::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

size_t entryCount(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

} // namespace

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNothingBeside) {
    TemporaryFolder temp;
    fs::path file = temp.path() / "state.json";
    ASSERT_FALSE(replaceFile(file, std::string(100'000, 'a')));
    ASSERT_FALSE(replaceFile(file, "short"));
    EXPECT_EQ(readText(file), "short");
    EXPECT_EQ(entryCount(temp.path()), 1u);

    // A failed replace leaves the old state alone.
    EXPECT_TRUE(replaceFile(temp.path() / "missing" / "state.json", "x"));

    fs::remove(file);
    fs::create_directory(file);
    EXPECT_TRUE(replaceFile(file, "x"));
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(entryCount(temp.path()), 1u) << "the temporary file is removed";
}
