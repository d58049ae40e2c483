#include "advisor/Planner.h"

#include <algorithm>
#include <cmath>

namespace tavelin::Planner {
namespace {

double gigabytes(const Candidate& candidate) {
    return static_cast<double>(candidate.freed) / 1e9;
}

double rungTerm(const Candidate& candidate, double gb) {
    switch (candidate.rung) {
    case Rung::lossless:
    case Rung::ownerTool:
        return 0;
    case Rung::rebuildable:
        return 0.01 * gb;
    case Rung::archive:
        return 0.02 * gb + 0.5;
    case Rung::review:
        return 2 * gb * (0.35 * candidate.value + 0.05);
    }
    return 0;
}

double doubt(double confidence) {
    if (std::isnan(confidence) || confidence <= 0)
        return 1;
    return 1 - std::min(confidence, 1.0);
}

} // namespace

double cost(const Candidate& candidate) {
    double gb = gigabytes(candidate);
    double base = 0.1 * candidate.rebuildMinutes + 0.3 * candidate.redownloadGB;
    return base + rungTerm(candidate, gb) + 0.5 * gb * doubt(candidate.confidence);
}

double value(const Candidate& candidate) {
    return gigabytes(candidate) / (candidate.cost + 0.05);
}

std::vector<Candidate> scored(std::vector<Candidate> candidates) {
    for (Candidate& candidate : candidates)
        candidate.cost = cost(candidate);
    return candidates;
}

} // namespace tavelin::Planner
