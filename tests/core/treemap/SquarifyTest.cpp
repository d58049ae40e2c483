#include "treemap/Treemap.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using tavelin::Rect;
using tavelin::Treemap::squarify;

namespace {

void expectRect(const Rect& actual, Rect expected) {
    constexpr double kTolerance = 1e-9;
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.width, expected.width, kTolerance);
    EXPECT_NEAR(actual.height, expected.height, kTolerance);
}

double overlap(const Rect& a, const Rect& b) {
    double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return std::max(width, 0.0) * std::max(height, 0.0);
}

} // namespace

TEST(Squarify, ClassicExampleGivesExactRectangles) {
    auto rects = squarify({6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4});
    ASSERT_EQ(rects.size(), 7u);
    // A column of the two sixes, a row of 4 and 3 along the top of what is left, then the rest.
    expectRect(rects[0], {0, 0, 3, 2});
    expectRect(rects[1], {0, 2, 3, 2});
    expectRect(rects[2], {3, 0, 12.0 / 7, 7.0 / 3});
    expectRect(rects[3], {3 + 12.0 / 7, 0, 9.0 / 7, 7.0 / 3});
    expectRect(rects[4], {3, 7.0 / 3, 1.2, 5.0 / 3});
    expectRect(rects[5], {4.2, 7.0 / 3, 1.2, 5.0 / 3});
    expectRect(rects[6], {5.4, 7.0 / 3, 0.6, 5.0 / 3});
    // A square lays its row down its left side, as a wide rectangle does.
    EXPECT_EQ(squarify({1, 1}, {0, 0, 2, 2}), (std::vector<Rect>{{0, 0, 2, 1}, {0, 1, 2, 1}}));
}

TEST(Squarify, RandomValuesTileTheRectangleInProportionWithoutOverlap) {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> side(3, 2000);
    std::lognormal_distribution<double> size(10, 3);
    for (int trial = 0; trial < 200; ++trial) {
        Rect in{side(random), side(random), side(random), side(random)};
        std::vector<double> values(1 + random() % 80);
        for (double& value : values)
            value = 1 + size(random);
        if (trial % 2 == 0)
            std::sort(values.rbegin(), values.rend());
        double sum = 0;
        for (double value : values)
            sum += value;
        auto rects = squarify(values, in);
        ASSERT_EQ(rects.size(), values.size());
        double area = in.width * in.height;
        double slack = 1e-9 * (in.width + in.height);
        for (size_t i = 0; i < rects.size(); ++i) {
            const Rect& r = rects[i];
            EXPECT_GE(r.x, in.x - slack);
            EXPECT_GE(r.y, in.y - slack);
            EXPECT_LE(r.x + r.width, in.x + in.width + slack);
            EXPECT_LE(r.y + r.height, in.y + in.height + slack);
            EXPECT_NEAR(r.width * r.height, values[i] / sum * area, 1e-9 * area);
            for (size_t j = i + 1; j < rects.size(); ++j)
                EXPECT_LE(overlap(r, rects[j]), 1e-9 * area) << "trial " << trial;
        }
    }
}

TEST(Squarify, NothingToFillGivesEmptyRectangles) {
    EXPECT_TRUE(squarify({}, {0, 0, 10, 10}).empty());
    for (auto [values, in] : {std::pair<std::vector<double>, Rect>{{0, 0}, {0, 0, 10, 10}},
                              {{3, 1}, {5, 5, 0, 10}},
                              {{3, 1}, {5, 5, 10, -1}}}) {
        EXPECT_EQ(squarify(values, in), std::vector<Rect>(2));
    }
}
