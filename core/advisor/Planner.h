#pragma once

// Scores suggestions by what they cost the user, and picks the cheapest set that frees what the
// user asked for. Every list of candidates that leaves the advisor has been through `scored`,
// so `cost` is filled in wherever candidates are shown or planned.

#include "advisor/Candidate.h"
#include "advisor/Goal.h"
#include "advisor/Plan.h"

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

// The steps to tick for `goal`. Only candidates that can be applied without the user's own
// judgement take part: not blocked, not `review`, not a guide, freeing at least a byte. Rungs
// are worked through from the cheapest (`archive` last, and never for "as much as safe"); within
// a rung the best return for the cost goes first, each earlier pick from the same project or
// category lowering the next one's score by a fifth, so a plan spreads over many places rather
// than emptying one. A candidate whose paths equal, contain or lie inside a picked one's is
// passed over. "As much as safe" takes rebuildable items only when they return at least a
// gigabyte per unit of cost. A byte goal stops once reached, and then gives back the costliest
// picks that are not needed to reach it.
Plan plan(const std::vector<Candidate>& candidates, const Goal& goal);

} // namespace tavelin::Planner
