#include "util/Dates.h"
#include "util/Text.h"
#include "util/Uuid.h"

#include <gtest/gtest.h>
#include <regex>

using namespace tavelin;

TEST(Text, CapitalizesTheFirstCharacterInAnyScriptAndRejectsMalformedOrOverlongUtf8) {
    EXPECT_EQ(capitalizedFirst("last used 3 months ago"), "Last used 3 months ago");
    EXPECT_EQ(capitalizedFirst("élan"), "Élan");
    EXPECT_EQ(capitalizedFirst("ßx"), "ßx") << "no single upper-case letter exists";
    EXPECT_EQ(capitalizedFirst(""), "");
    EXPECT_EQ(capitalizedFirst("\U00010000x"), "\U00010000x") << "the first four-byte character";
    EXPECT_EQ(capitalizedFirst("\u0800x"), "\u0800x") << "the first three-byte character";
    EXPECT_EQ(capitalizedFirst("\xff abc"), "\xff abc");
    EXPECT_EQ(capitalizedFirst("\xc3"), "\xc3");
    EXPECT_EQ(capitalizedFirst(std::string_view("\xc3\xa9").substr(0, 1)), "\xc3")
        << "cut short before bytes that are not its own";

    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("gitdir: /home/ünïcode/😀\n"));
    // Cut short, an overlong slash, a surrogate, past U+10FFFF.
    for (const char* bad : {"\xff", "ok\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(Text, SingleLineShowsEveryControlCharacterAsAnEscapeAndListsJoinTheLastNameWithAnd) {
    struct Case {
        std::string text, shown;
    };
    for (const Case& c : std::vector<Case>{
             {"a\nb\tc\rd", R"(a\nb\tc\rd)"},
             {"\x1b]0;TITLE\x07\x1b[31mRED", R"(\x1b]0;TITLE\x07\x1b[31mRED)"},
             {"del\x7f", R"(del\x7f)"},
             {"csi\xc2\x9b"
              "31m nel\xc2\x85",
              R"(csi\xc2\x9b31m nel\xc2\x85)"},
             {"\xe2\x80\xa8 sep", R"(\xe2\x80\xa8 sep)"},
             {"bad\xff", R"(bad\xff)"},
             {"é \\x41 ünïcode", "é \\x41 ünïcode"},
         }) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(singleLine(c.text), c.shown);
    }

    EXPECT_EQ(listText({}), "");
    EXPECT_EQ(listText({"A"}), "A");
    EXPECT_EQ(listText({"A", "B"}), "A and B");
    EXPECT_EQ(listText({"A", "B", "C"}), "A, B and C");
}

TEST(Dates, SecondsSince1970RoundTripTheDistantPastComesFirstAndFileTimesBeyondTheClockClamp) {
    Date date = dateFromSecondsSince1970(1'700'000'000.25);
    EXPECT_DOUBLE_EQ(secondsSince1970(date), 1'700'000'000.25);
    EXPECT_EQ(wholeMillisecondsSince1970(date), 1'700'000'000'250);
    EXPECT_EQ(wholeMillisecondsSince1970(dateFromSecondsSince1970(-0.0005)), -1);
    EXPECT_LT(kDistantPast, dateFromSecondsSince1970(-2'000'000'000.0));
    EXPECT_EQ(dateFromSecondsSince1970(secondsSince1970(kDistantPast)), kDistantPast);

    // File times beyond the clock are clamped, not wrapped.
    constexpr int64_t k2100 = 4'102'444'800;
    constexpr int64_t k2400 = 13'569'465'600;
    EXPECT_GT(dateFromTimespec(k2400, 0), dateFromTimespec(k2100, 0));
    EXPECT_EQ(dateFromTimespec(k2400, 999'999'999), dateFromTimespec(INT64_MAX, 999'999'999));
    EXPECT_LT(dateFromTimespec(-k2400, 0), kDistantPast);
    EXPECT_EQ(dateFromTimespec(-k2400, 0), dateFromTimespec(INT64_MIN, 0));
    EXPECT_EQ(dateFromTimespec(k2100, 500'000'000) - dateFromTimespec(k2100, 0),
              std::chrono::milliseconds(500));
}

TEST(Uuid, IsAFreshRandomVersionFourInUpperCaseHexadecimal) {
    std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::string first = makeUuid();
    EXPECT_TRUE(std::regex_match(first, form)) << first;
    EXPECT_NE(makeUuid(), first);
}
