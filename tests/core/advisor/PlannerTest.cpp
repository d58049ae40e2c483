#include "advisor/Planner.h"

#include "util/Paths.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace tavelin;

namespace {

constexpr int64_t GB = 1'000'000'000;

struct Item {
    std::string id;
    Rung rung = Rung::lossless;
    double gb = 1;
    double minutes = 0; // with full confidence, a rebuildable item costs 0.1 × minutes + 0.01 × GB
    AdvisorCategory category = AdvisorCategory::caches;
    std::optional<std::string> project{};
    std::vector<std::string> paths{};
    double confidence = 1;
};

Candidate candidate(const Item& item) {
    std::optional<Project> project;
    if (item.project)
        project = Project{*item.project, lastPathComponent(*item.project)};
    return Candidate(
        {.id = item.id,
         .detector = "test",
         .title = item.id,
         .category = item.category,
         .rung = item.rung,
         .action = AdvisorAction::trash(
             item.paths.empty() ? std::vector<std::string>{"/data/" + item.id} : item.paths),
         .freed = static_cast<int64_t>(item.gb * GB),
         .project = project,
         .confidence = item.confidence,
         .rebuildMinutes = item.minutes});
}

std::vector<Candidate> candidates(const std::vector<Item>& items) {
    std::vector<Candidate> list;
    for (const Item& item : items)
        list.push_back(candidate(item));
    return list;
}

// The picks in order, what they free and whether the goal is reached, once the plan's cost is
// checked to be the sum of its picks' costs.
std::string plan(const std::vector<Candidate>& list, const Goal& goal) {
    Plan plan = Planner::plan(list, goal);
    double cost = 0;
    for (const Candidate& scored : Planner::scored(list))
        if (std::ranges::find(plan.selected, scored.id) != plan.selected.end())
            cost += scored.cost;
    EXPECT_DOUBLE_EQ(plan.cost, cost);
    std::string text;
    for (const std::string& id : plan.selected)
        text += id + " ";
    return text + "= " + std::to_string(plan.freed) + (plan.reachesGoal ? ", reached" : "");
}

} // namespace

TEST(Planner, PicksTheCheapestStepsTowardTheGoal) {
    using enum Rung;
    using enum AdvisorCategory;
    const Goal safe = Goal::asMuchAsSafe();
    auto gb = [](int64_t n) { return Goal::bytes(n * GB); };
    auto planOf = [](const std::vector<Item>& items, const Goal& goal) {
        return plan(candidates(items), goal);
    };
    // The goal is reached on the lossless rung; free picks are never trimmed.
    EXPECT_EQ(planOf({{"four", lossless, 4}, {"eight", lossless, 8}, {"three", rebuildable, 3, 1}},
                     gb(10)),
              "eight four = 12000000000, reached");
    // A category's second pick is damped, and trimming keeps what the goal needs.
    EXPECT_EQ(planOf({{"eight", rebuildable, 8, 9.2}, {"six", rebuildable, 6, 1.4}}, gb(10)),
              "six eight = 14000000000, reached");
    // Damping lets another category go before a second pick from the same one...
    EXPECT_EQ(planOf({{"a1", rebuildable, 10, 9.49},
                      {"a2", rebuildable, 9, 9.41},
                      {"b", rebuildable, 8.5, 9.415, developer}},
                     gb(1000)),
              "a1 b a2 = 27500000000");
    // ...and a project is its own group, apart from its category.
    EXPECT_EQ(planOf({{"a1", rebuildable, 10, 9.49},
                      {"a2", rebuildable, 9, 9.41, caches, "/home/u/app"},
                      {"b", rebuildable, 8.5, 9.415, developer}},
                     gb(1000)),
              "a1 a2 b = 27500000000");
    // Equal scores go to the earliest candidate.
    EXPECT_EQ(
        planOf({{"first", lossless, 2, 0, caches}, {"second", lossless, 2, 0, developer}}, gb(1)),
        "first = 2000000000, reached");
    // A cheaper rung comes first even when a later one returns more for its cost.
    EXPECT_EQ(planOf({{"tool", ownerTool, 1, 0, developer, {}, {}, 0.5}, {"build", rebuildable, 5}},
                     gb(1)),
              "tool = 1000000000, reached");
    // The costliest pick is given back once later ones make it unneeded.
    EXPECT_EQ(planOf({{"a", rebuildable, 3, 2.2, caches},
                      {"b", rebuildable, 2, 1.3, developer},
                      {"c", rebuildable, 8, 8.7, downloads}},
                     gb(10)),
              "b c = 10000000000, reached");
    // An unreachable goal takes every eligible step, archives too.
    EXPECT_EQ(planOf({{"lossless", lossless, 1}, {"moved", archive, 2}}, gb(100)),
              "lossless moved = 3000000000");
    // As much as safe: no archives, and rebuilds only when they return a gigabyte a unit.
    EXPECT_EQ(planOf({{"free", lossless, 0.5},
                      {"moved", archive, 50},
                      {"dear", rebuildable, 0.1, 4.99},
                      {"worth", rebuildable, 2, 1}},
                     safe),
              "free worth = 2500000000, reached");
    // Nothing eligible still plans: a byte goal is not reached, the safe goal is.
    EXPECT_EQ(plan({}, Goal::bytes(1)), "= 0");
    EXPECT_EQ(plan({}, safe), "= 0, reached");
}

TEST(Planner, NeverPlansWhatNeedsTheUsersJudgementOrCannotBeApplied) {
    auto list = candidates({{"review", Rung::review, 5},
                            {"empty", Rung::lossless, 0},
                            {"blocked", Rung::lossless, 5},
                            {"guide", Rung::lossless, 5},
                            {"ok", Rung::lossless, 1}});
    list[2].blocked = "Close the app first.";
    list[3].action = AdvisorAction::guide("file:///", "Open it");
    EXPECT_EQ(plan(list, Goal::bytes(100 * GB)), "ok = 1000000000");
    EXPECT_EQ(plan(list, Goal::asMuchAsSafe()), "ok = 1000000000, reached");
}

TEST(Planner, NestedItemsArePlannedOnce) {
    using C = AdvisorCategory;
    const std::string app = "/home/u/Projects/app";
    EXPECT_EQ(
        plan(candidates(
                 {{.id = "modules", .gb = 3, .paths = {app + "/node_modules"}},
                  {.id = "app", .gb = 5, .category = C::developer, .paths = {app}},
                  {.id = "deeper", .category = C::trash, .paths = {app + "/node_modules/x"}},
                  {.id = "same", .category = C::music, .paths = {"/elsewhere", app}},
                  {.id = "sibling", .category = C::photosVideos, .paths = {app + "lication"}},
                  // Picked first, it keeps out the folder that holds it.
                  {.id = "inner", .gb = 9, .category = C::caches, .paths = {"/home/u/.cache/x"}},
                  {.id = "outer", .gb = 2, .category = C::documents, .paths = {"/home/u/.cache"}}}),
             Goal::asMuchAsSafe()),
        "inner app sibling = 15000000000, reached");
}

TEST(Goal, DefaultFollowsHowFullTheDiskIs) {
    EXPECT_EQ(Goal::forDisk(500 * GB, 40 * GB), Goal::bytes(50 * GB)) << "35 GB needed";
    EXPECT_EQ(Goal::forDisk(500 * GB, 80 * GB), Goal::asMuchAsSafe()) << "16 % free";
    EXPECT_EQ(Goal::forDisk(500 * GB, 75 * GB), Goal::asMuchAsSafe()) << "exactly 15 % free";
    EXPECT_EQ(Goal::forDisk(1000 * GB, 1 * GB), Goal::bytes(100 * GB)) << "149 GB needed";
    EXPECT_EQ(Goal::forDisk(100 * GB, 5 * GB), Goal::bytes(10 * GB)) << "exactly a step";
    EXPECT_EQ(Goal::forDisk(0, 0), Goal::asMuchAsSafe());
}

TEST(Goal, ReadsWhatPeopleType) {
    EXPECT_EQ(Goal::parsed("max-safe"), Goal::asMuchAsSafe());
    EXPECT_EQ(Goal::parsed("20GB"), Goal::bytes(20 * GB));
    EXPECT_EQ(Goal::parsed("1.5 tb"), Goal::bytes(1'500 * GB));
    EXPECT_EQ(Goal::parsed("500MB"), Goal::bytes(500'000'000));
    EXPECT_EQ(Goal::parsed("4096"), Goal::bytes(4096));
    EXPECT_EQ(Goal::parsed("20 GiB"), Goal::bytes(20LL << 30)) << "binary units whatever is shown";
    for (const char* wrong :
         {"", "lots", "20 GiBs", "20Gi", "-5GB", "0.1B", "1e3GB", "20GB ", "1e40"})
        EXPECT_FALSE(Goal::parsed(wrong)) << wrong;
}
