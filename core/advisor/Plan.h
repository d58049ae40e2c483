#pragma once

// The planner's answer: which suggestions to tick, what they free and what they cost.

#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

struct Plan {
    std::vector<std::string> selected; // candidate ids, in the order they were picked
    int64_t freed = 0;                 // sum of the picked candidates' `freed`
    double cost = 0;                   // sum of their cost
    bool reachesGoal = false;

    bool operator==(const Plan&) const = default;
};

} // namespace tavelin
