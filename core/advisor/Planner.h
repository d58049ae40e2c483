#pragma once

// Scores suggestions by what they cost the user. Every list of candidates that leaves the
// advisor has been through `scored`, so `cost` is filled in wherever candidates are shown or
// planned.

#include "advisor/Candidate.h"

#include <vector>

namespace tavelin::Planner {

// With GB = freed ÷ 10⁹: 0.1 × rebuildMinutes + 0.3 × redownloadGB, plus the rung's term
// (nothing for lossless and tool clean-ups; 0.01 × GB for rebuildable; 0.02 × GB + 0.5 for
// archive; 2 × GB × (0.35 × value + 0.05) for review), plus the doubt term 0.5 × GB × u, where
// u = 1 − min(confidence, 1), or 1 when confidence is 0 or less or not a number.
double cost(const Candidate& candidate);

// The return for the cost, using the stored `cost`: GB ÷ (cost + 0.05). The planner ranks by
// it; it is not the candidate's `value` field.
double value(const Candidate& candidate);

// The same candidates, in order, each with `cost` set to cost(candidate).
std::vector<Candidate> scored(std::vector<Candidate> candidates);

} // namespace tavelin::Planner
