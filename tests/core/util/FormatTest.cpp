#include "util/Format.h"

#include <gtest/gtest.h>

using tavelin::formatBytes;
using tavelin::formatCount;

TEST(FormatBytes, SmallCountsAreBytesAndZeroIsZeroBytes) {
    EXPECT_EQ(formatBytes(0), "0 bytes");
    EXPECT_EQ(formatBytes(1), "1 byte");
    EXPECT_EQ(formatBytes(2), "2 bytes");
    EXPECT_EQ(formatBytes(999), "999 bytes");
}

TEST(FormatCounted, OnlyExactlyOneIsSingular) {
    EXPECT_EQ(tavelin::formatCounted(1, "file"), "1 file");
    EXPECT_EQ(tavelin::formatCounted(0, "file"), "0 files");
    EXPECT_EQ(tavelin::formatCounted(1'204, "folder"), "1,204 folders");
}

TEST(FormatBytes, KilobytesAreWholeAndRoundHalfUp) {
    EXPECT_EQ(formatBytes(1000), "1 KB");
    EXPECT_EQ(formatBytes(1499), "1 KB");
    EXPECT_EQ(formatBytes(1500), "2 KB");
    EXPECT_EQ(formatBytes(999'499), "999 KB");
}

TEST(FormatBytes, ValuesRoundingToAThousandMoveToTheNextUnit) {
    EXPECT_EQ(formatBytes(999'500), "1 MB");
    EXPECT_EQ(formatBytes(999'999), "1 MB");
    EXPECT_EQ(formatBytes(1'000'000), "1 MB");
    EXPECT_EQ(formatBytes(999'960'000), "1 GB");
    EXPECT_EQ(formatBytes(999'949'000), "999.9 MB");
}

TEST(FormatBytes, DecimalsFollowTheUnitAndDropTrailingZeros) {
    EXPECT_EQ(formatBytes(1'500'000), "1.5 MB");
    EXPECT_EQ(formatBytes(1'540'000), "1.5 MB");
    EXPECT_EQ(formatBytes(1'550'000), "1.6 MB");
    EXPECT_EQ(formatBytes(1'250'000'000), "1.25 GB");
    EXPECT_EQ(formatBytes(1'205'000'000), "1.21 GB");
    EXPECT_EQ(formatBytes(1'200'000'000), "1.2 GB");
    EXPECT_EQ(formatBytes(2'000'000'000'000), "2 TB");
    EXPECT_EQ(formatBytes(1'234'567'000'000'000), "1.23 PB");
}

TEST(FormatBytes, ExtremesAndNegativeValues) {
    EXPECT_EQ(formatBytes(INT64_MAX), "9.22 EB");
    EXPECT_EQ(formatBytes(-1'500'000), "-1.5 MB");
    EXPECT_EQ(formatBytes(INT64_MIN), "-9.22 EB");
}

TEST(FormatBytes, UsesTheLocaleDecimalPointAndGrouping) {
    struct German : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale german(std::locale::classic(), new German);
    EXPECT_EQ(formatBytes(1'500'000, german), "1,5 MB");
    EXPECT_EQ(formatCount(1'234'567, german), "1.234.567");
}

TEST(FormatCount, GroupsDigitsByThousands) {
    EXPECT_EQ(formatCount(0), "0");
    EXPECT_EQ(formatCount(999), "999");
    EXPECT_EQ(formatCount(1234), "1,234");
    EXPECT_EQ(formatCount(1'000'000), "1,000,000");
    EXPECT_EQ(formatCount(-1234), "-1,234");
}

TEST(FormatCount, ALocaleWithoutGroupingLeavesDigitsAlone) {
    EXPECT_EQ(formatCount(1234, std::locale::classic()), "1234");
}
