#include "advisor/everyday/Everyday.h"

#include "advisor/everyday/InstalledIndex.h"
#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

const Date kNow = dateFromSecondsSince1970(1'750'000'000); // mid June 2025
constexpr int64_t MB = 1'000'000;

} // namespace

TEST(Everyday, SpansReadInDaysWeeksMonthsAndYears) {
    const std::pair<int, std::string> cases[] = {
        {-3, "1 day"},      {0, "1 day"},     {1, "1 day"},       {2, "2 days"},
        {13, "13 days"},    {14, "2 weeks"},  {59, "8 weeks"},    {60, "2 months"},
        {729, "24 months"}, {730, "2 years"}, {4000, "10 years"},
    };
    for (const auto& [days, text] : cases)
        EXPECT_EQ(Everyday::span(days), text) << days;
    EXPECT_EQ(Everyday::agePhrase(0), "today");
    EXPECT_EQ(Everyday::agePhrase(1), "1 day ago");
}

TEST(Everyday, ValueFallsWithAgeAndSizeBeyondTheThresholds) {
    struct Case {
        double base;
        int days, minDays;
        int64_t size, minSize;
        double value;
    };
    const Case cases[] = {
        {0.6, 60, 60, 20 * MB, 20 * MB, 0.6},
        {0.6, 240, 60, 80 * MB, 20 * MB, 0.42},
        {0.6, 10, 60, 1 * MB, 20 * MB, 0.6},        // below the thresholds counts as at them
        {0.35, 120, 30, 20 * MB, 20 * MB, 0.23},    // two doublings of age
        {0.2, 100'000, 1, 1'000'000 * MB, 1, 0.05}, // never below the floor
        {0.6, 2, 0, 1, 0, 0.54},                    // zero thresholds count as one
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Everyday::value(c.base, c.days, c.minDays, c.size, c.minSize), c.value, 1e-9)
            << c.days << " days, " << c.size << " bytes";
}

TEST(Everyday, MonthsNameTheYearOnlyWhenItIsNotThisOne) {
    EXPECT_EQ(Everyday::month(kNow - 24h * 90, kNow), "March");
    EXPECT_EQ(Everyday::month(kNow - 24h * 180, kNow), "December 2024");
    EXPECT_EQ(Everyday::month(kNow, kNow), "June");
}

TEST(Everyday, PathsRelativeToTheHomeFolderInEitherForm) {
    AdvisorContext context{.home = "/home/u"};
    EXPECT_EQ(Everyday::homeRelative("/home/u/Documents/a b", context), "Documents/a b");
    EXPECT_EQ(Everyday::homeRelative("/System/Volumes/Data/home/u/x", context), "x");
    EXPECT_EQ(Everyday::homeRelative("/home/u", context), std::nullopt);
    EXPECT_EQ(Everyday::homeRelative("/home/ux/a", context), std::nullopt);
    EXPECT_EQ(Everyday::extension("Archive.TAR.GZ"), "gz");
    EXPECT_EQ(Everyday::extension(".profile"), "");
    EXPECT_EQ(Everyday::extension("Photos Library.photoslibrary"), "photoslibrary");
}

TEST(Everyday, LastTouchedIsTheNewestChangeBelowOrTheLastOpening) {
    test::SyntheticTree tree("/");
    tree.file("/home/u/pack/old", 10, std::nullopt, kNow - 24h * 300);
    tree.file("/home/u/pack/deep/new", 10, std::nullopt, kNow - 24h * 20);
    test::FakeMachine machine;
    auto context = machine.context(tree.root(), "/home/u", kNow);
    Node& pack = *tree.root()->descendant("/home/u/pack");
    pack.modified = kNow - 24h * 400;
    EXPECT_EQ(Everyday::lastTouched(pack, context).date, kNow - 24h * 20);
    EXPECT_EQ(Everyday::lastTouched(pack, context).opened, std::nullopt);
    machine.lastUsedDates["/home/u/pack"] = kNow - 24h * 2;
    EXPECT_EQ(Everyday::lastTouched(pack, context).date, kNow - 24h * 2);
}

TEST(InstalledIndex, FileNamesLoseVersionsPlatformsAndNoise) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"Widget-Pro-2.3.1-universal.dmg", {"Widget", "Pro"}},
        {"setup_v2.pkg", {}},
        {"firefox-128.0.tar.xz", {"firefox"}},
        {"VSCodium-linux-x64-1.90.tar.gz", {"VSCodium"}},
        {"code_1.91.1-1720564633_amd64.deb", {"code"}},
        {"Obsidian-1.6.7.AppImage", {"Obsidian"}},
        {"zoom_x86_64.rpm", {"zoom"}},
        {"Éditeur V3 Final.run", {"Éditeur", "Final"}},
        {"Widget–Pro·2.0\xff.dmg", {"Widget", "Pro"}},
        {"README", {"README"}},
    };
    for (const auto& [name, words] : cases)
        EXPECT_EQ(InstalledIndex::appWords(name), words) << name;
    EXPECT_EQ(InstalledIndex::key("Éditeur Pro™ – 2"), "éditeurpro2") << "letters of any script";
}

TEST(InstalledIndex, MatchesExactlyOrByALongEnoughPrefix) {
    struct Case {
        std::unordered_set<std::string> installed;
        std::string file;
        std::optional<std::string> app;
    };
    const Case cases[] = {
        {{"Widget Pro", "WidgetProMax"}, "Widget-Pro-2.3.1-universal.dmg", "Widget Pro"},
        {{"WidgetProMax"}, "Widget-Pro-2.3.1-universal.dmg", "WidgetProMax"},
        {{"Kit"}, "Kit-2.0.dmg", "Kit"},
        {{"Kitty"}, "Kit-2.0.dmg", std::nullopt},
        {{"Kit"}, "Kitty-2.0.dmg", std::nullopt},
        {{"org.videolan.vlc"}, "vlc-3.0.20-amd64.deb", "vlc"},
        {{"org.videolan.vlc", "VLC media player"}, "vlc_3.0.deb", "vlc"},
        {{"com.visualstudio.code", "Code"}, "code_1.91.1_amd64.deb", "Code"},
        {{"Setup"}, "setup_v2.pkg", std::nullopt},
        {{"a..b.c"}, "abc.zip", "a..b.c"},
        {{"ab"}, "ab.zip", std::nullopt},
        {{"Firefox"}, "firefox-128.0.tar.xz", "Firefox"},
        {{"Widget Pro™"}, "Widget-Pro-2.3.1-universal.dmg", "Widget Pro™"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InstalledIndex(c.installed).match(c.file), c.app) << c.file;
}
