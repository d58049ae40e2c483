#include "advisor/cloud/CloudOnlineOnlyDetector.h"

#include "util/LinuxWordings.h"

#include <algorithm>
#include <deque>

namespace tavelin {

std::vector<Candidate> CloudOnlineOnlyDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    for (const CloudProvider& provider : context.cloudProviders()) {
        if (!canMakeOnlineOnly(provider))
            continue;
        if (const Node* folder = context.node(provider.root))
            for (const auto& child : folder->children())
                collect(*child, 1, provider, context, found);
    }
    return found;
}

void CloudOnlineOnlyDetector::collect(const Node& node, int depth, const CloudProvider& provider,
                                      const AdvisorContext& context,
                                      std::vector<Candidate>& into) const {
    if (node.isPseudo() || node.size < minBytes)
        return;
    int idle = context.daysSince(lastUse(node, context));
    if (idle >= minIdleDays) {
        into.push_back(candidate(node, idle, provider));
        return;
    }
    if (node.isDirectory() && depth < maxDepth)
        for (const auto& child : node.children())
            collect(*child, depth + 1, provider, context, into);
}

Date CloudOnlineOnlyDetector::lastUse(const Node& node, const AdvisorContext& context) const {
    Date latest = kDistantPast;
    // Only as many nodes are queued as the budget can still visit.
    std::deque<const Node*> pending{&node};
    auto budget = static_cast<size_t>(std::max(dateBudget, 0));
    for (size_t visited = 0; !pending.empty() && visited < budget; ++visited) {
        const Node* next = pending.front();
        pending.pop_front();
        latest = std::max(latest, context.lastUsed(next->path()).value_or(next->modified));
        for (const auto& child : next->children())
            if (visited + 1 + pending.size() < budget)
                pending.push_back(child.get());
    }
    return latest;
}

std::string CloudOnlineOnlyDetector::idleText(int days) {
    if (days >= 730)
        return std::to_string(days / 365) + " years";
    if (days >= 365)
        return "over a year";
    if (days >= 60)
        return std::to_string(days / 30) + " months";
    return std::to_string(std::max(days / 7, 1)) + " weeks";
}

Candidate CloudOnlineOnlyDetector::candidate(const Node& node, int idleDays,
                                             const CloudProvider& provider) const {
    using Kind = Evidence::Kind;
    std::string path = node.path();
    std::string items = node.isDirectory() ? "these files stay in " : "this file stays in ";
    std::string returns = node.isDirectory() ? " and download again when opened."
                                             : " and downloads again when opened.";
    return Candidate({
        .id = id() + ":" + path,
        .detector = id(),
        .title = node.name,
        .detail = "Kept in " + provider.name + ". " +
                  std::string(
                      linuxWording("Removing the downloaded copy frees the space on this Mac; ")) +
                  items + provider.name + returns,
        .category = AdvisorCategory::cloud,
        .rung = Rung::lossless,
        .action = AdvisorAction::makeOnlineOnly({path}, provider),
        .freed = node.unique,
        .onDisk = node.size,
        .evidence = {Evidence::capitalized(Kind::location,
                                           "stays in " + provider.name + ", downloads when opened"),
                     Evidence::capitalized(Kind::lastUsed, "not opened in " + idleText(idleDays))},
        .confidence = 0.95,
        .redownloadGB = 0.1 * static_cast<double>(node.unique) / 1e9,
    });
}

} // namespace tavelin
