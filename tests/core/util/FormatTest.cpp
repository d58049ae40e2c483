#include "util/Format.h"

#include <gtest/gtest.h>

using tavelin::formatBytes;
using tavelin::formatCount;

TEST(FormatBytes, RoundsHalfUpToThreeFiguresInTheLargestUnitBelowAThousand) {
    const std::pair<int64_t, const char*> cases[] = {{0, "0 bytes"},
                                                     {1, "1 byte"},
                                                     {2, "2 bytes"},
                                                     {999, "999 bytes"},
                                                     {1000, "1 KB"},
                                                     {1499, "1 KB"},
                                                     {1500, "2 KB"},
                                                     {999'499, "999 KB"},
                                                     {999'500, "1 MB"},
                                                     {999'949'000, "999.9 MB"},
                                                     {999'960'000, "1 GB"},
                                                     {1'540'000, "1.5 MB"},
                                                     {1'550'000, "1.6 MB"},
                                                     {1'205'000'000, "1.21 GB"},
                                                     {1'200'000'000, "1.2 GB"},
                                                     {2'000'000'000'000, "2 TB"},
                                                     {1'234'567'000'000'000, "1.23 PB"},
                                                     {INT64_MAX, "9.22 EB"},
                                                     {-1'500'000, "-1.5 MB"},
                                                     {INT64_MIN, "-9.22 EB"}};
    for (auto [bytes, text] : cases)
        EXPECT_EQ(formatBytes(bytes), text) << bytes;
}

TEST(FormatBytes, BinaryUnitsStepBy1024WithTheSameRoundingAndCountsGroupAsTheLocaleSays) {
    tavelin::setByteUnits(tavelin::ByteUnits::binary);
    const std::pair<int64_t, const char*> cases[] = {
        {1023, "1,023 bytes"},    {1024, "1 KiB"},         {1536, "2 KiB"},
        {1'048'063, "1,023 KiB"}, {1'048'064, "1 MiB"},    {1342177280, "1.25 GiB"},
        {INT64_MAX, "8 EiB"},     {-1'572'864, "-1.5 MiB"}};
    for (auto [bytes, text] : cases)
        EXPECT_EQ(formatBytes(bytes), text) << bytes;
    tavelin::setByteUnits(tavelin::ByteUnits::decimal);

    // Counts group digits by thousands as the locale says.
    const std::pair<int64_t, const char*> counts[] = {
        {0, "0"}, {999, "999"}, {1234, "1,234"}, {1'000'000, "1,000,000"}, {-1234, "-1,234"}};
    for (auto [count, text] : counts)
        EXPECT_EQ(formatCount(count), text) << count;
    EXPECT_EQ(formatCount(1234, std::locale::classic()), "1234") << "a locale without grouping";
    EXPECT_EQ(tavelin::formatCounted(1, "file"), "1 file") << "only exactly one is singular";
    EXPECT_EQ(tavelin::formatCounted(0, "file"), "0 files");
    EXPECT_EQ(tavelin::formatCounted(1'204, "folder"), "1,204 folders");

    struct German : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale german(std::locale::classic(), new German);
    EXPECT_EQ(formatBytes(1'500'000, german), "1,5 MB");
    EXPECT_EQ(formatCount(1'234'567, german), "1.234.567");

    struct Indian : std::numpunct<char> {
        std::string do_grouping() const override { return "\3\2"; }
    };
    EXPECT_EQ(formatCount(1'234'567, std::locale(std::locale::classic(), new Indian)), "12,34,567")
        << "the last group size repeats";
}
