#include "advisor/Candidate.h"
#include "advisor/Planner.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <unordered_set>

using namespace tavelin;

namespace {

constexpr int64_t GB = 1'000'000'000;

Candidate candidate(Rung rung, int64_t freed, double confidence, double value = 0,
                    double minutes = 0, double download = 0) {
    return Candidate({.id = "c",
                      .detector = "test",
                      .title = "Item",
                      .rung = rung,
                      .action = AdvisorAction::trash({"/a"}),
                      .freed = freed,
                      .confidence = confidence,
                      .rebuildMinutes = minutes,
                      .redownloadGB = download,
                      .value = value});
}

} // namespace

TEST(RawValues, RoundTripAndUnknownOnesAreRejected) {
    for (Rung rung : kAllRungs)
        EXPECT_EQ(rungFromRawValue(rawValue(rung)), rung);
    for (AdvisorCategory category : kAllCategories)
        EXPECT_EQ(categoryFromRawValue(rawValue(category)), category);
    EXPECT_EQ(rungFromRawValue(0), std::nullopt);
    EXPECT_EQ(rungFromRawValue(6), std::nullopt);
    EXPECT_EQ(categoryFromRawValue("Developer"), std::nullopt);
    EXPECT_EQ(evidenceKindFromRawValue("lastUsed"), Evidence::Kind::lastUsed);
    EXPECT_EQ(evidenceKindFromRawValue("unknown"), std::nullopt);
}

TEST(Evidence, SharingLineOnlyWhenMoreThanATenthIsShared) {
    EXPECT_EQ(Evidence::sharing(1000, 900), std::nullopt) << "exactly a tenth";
    EXPECT_EQ(Evidence::sharing(1000, 899),
              (Evidence{Evidence::Kind::sharing, "101 bytes shared with copies"}));
    EXPECT_EQ(Evidence::sharing(3 * GB, GB)->text, "2 GB shared with copies");
    EXPECT_EQ(Evidence::sharing(0, 0), std::nullopt);
    EXPECT_EQ(Evidence::capitalized(Evidence::Kind::note, "you already deleted these").text,
              "You already deleted these");
}

// A merge's paths are the kept file's and its copies'; a tool, a guide and the Trash have none.
TEST(AdvisorAction, PathsFollowTheCase) {
    EXPECT_EQ(AdvisorAction::mergeDuplicates("/a", {"/b", "/c"}).paths(),
              (std::vector<std::string>{"/a", "/b", "/c"}));
    EXPECT_TRUE(
        AdvisorAction::runTool({"/usr/bin/podman", {"system", "prune"}, "podman"}).paths().empty());
    EXPECT_TRUE(AdvisorAction::guide("file:///", "Open it").paths().empty());
    EXPECT_TRUE(AdvisorAction::emptyTrash().paths().empty());
}

TEST(AdvisorAction, EqualityAndHashingTellCasesWithTheSamePathsApart) {
    CloudProvider drive{"Dropbox", "/home/u/Dropbox", false};
    std::vector<AdvisorAction> actions{
        AdvisorAction::trash({"/a"}),
        AdvisorAction::makeOnlineOnly({"/a"}, drive),
        AdvisorAction::archive({"/a"}, ArchiveDestination::cloud(drive)),
        AdvisorAction::archive({"/a"}, ArchiveDestination::drive("/home/u/Dropbox")),
        AdvisorAction::mergeDuplicates("/a", {}),
        AdvisorAction::emptyTrash(),
    };
    std::unordered_set<AdvisorAction> distinct(actions.begin(), actions.end());
    EXPECT_EQ(distinct.size(), actions.size());
    EXPECT_NE(AdvisorAction::trash({"/a", "/b"}), AdvisorAction::trash({"/b", "/a"}));
}

TEST(PlannerCost, FollowsTheRungDoubtAndRebuildTermsWithConfidenceClamped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<Candidate, double> cases[] = {
        {candidate(Rung::lossless, 500 * GB, 1), 0},
        {candidate(Rung::ownerTool, 500 * GB, 1), 0},
        {candidate(Rung::lossless, 2 * GB, 1.5), 0},
        {candidate(Rung::lossless, 2 * GB, 0), 1},
        {candidate(Rung::lossless, 2 * GB, -3), 1},
        {candidate(Rung::lossless, 2 * GB, nan), 1},
        {candidate(Rung::archive, 10 * GB, 1), 0.7},
        {candidate(Rung::review, 2 * GB, 0.7, 0.5), 1.2},
        {candidate(Rung::rebuildable, 3 * GB, 1, 0, 40, 2), 0.1 * 40 + 0.3 * 2 + 0.03},
    };
    for (const auto& [item, cost] : cases)
        EXPECT_NEAR(Planner::cost(item), cost, 1e-12)
            << rawValue(item.rung) << ", confidence " << item.confidence;
}

TEST(PlannerCost, ScoredFillsCostsInOrderAndValueUsesTheStoredCost) {
    auto scored = Planner::scored(
        {candidate(Rung::archive, 10 * GB, 1), candidate(Rung::lossless, 4 * GB, 1)});
    ASSERT_EQ(scored.size(), 2u);
    EXPECT_NEAR(scored[0].cost, 0.7, 1e-12);
    EXPECT_EQ(scored[1].cost, 0);
    EXPECT_NEAR(Planner::value(scored[0]), 10 / 0.75, 1e-9);
    EXPECT_NEAR(Planner::value(scored[1]), 4 / 0.05, 1e-9);
}
