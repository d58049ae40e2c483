#include "advisor/Advisor.h"

#include "advisor/Planner.h"
#include "advisor/cloud/CloudOnlineOnlyDetector.h"
#include "advisor/duplicates/DuplicatesDetector.h"
#include "advisor/everyday/EverydayDetectors.h"
#include "advisor/reclaim/ReclaimDetector.h"
#include "advisor/system/SystemDetector.h"
#include "platform/FileFacts.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <string_view>

namespace tavelin::Advisor {
namespace {

// The everyday detectors, then cloud files that could be online-only, then the reclaim rules,
// then the space outside the home folder.
Detectors shippedQuick() {
    Detectors quick = EverydayDetectors::all();
    quick.push_back(std::make_shared<CloudOnlineOnlyDetector>());
    quick.push_back(std::make_shared<ReclaimDetector>());
    quick.push_back(std::make_shared<SystemDetector>());
    return quick;
}

// Only duplicate finding reads file contents.
Detectors shippedSlow() {
    return {std::make_shared<DuplicatesDetector>()};
}

struct Lists {
    std::mutex lock;
    Detectors quick = shippedQuick(); // guarded by lock
    Detectors slow = shippedSlow();   // guarded by lock
};

Lists& lists() {
    static Lists shared;
    return shared;
}

// Where the system mounts other disks.
constexpr std::array<std::string_view, 5> kOtherDiskFolders{
    "/Volumes/", "/System/Volumes/Data/Volumes/", "/media/", "/run/media/", "/mnt/"};

std::optional<uint64_t> mountOf(const std::string& path) {
    platform::FileFacts facts;
    if (platform::readFileFacts(path.c_str(), facts) != 0)
        return std::nullopt;
    return facts.mount;
}

class VolumeFilter {
public:
    explicit VolumeFilter(const Node& root)
        : rootFolder_(root.path() == "/" ? "/" : root.path() + "/")
        , rootMount_(mountOf(root.path())) {}

    // A path that cannot be examined (a synthetic tree, an item gone since) is kept: the
    // executor checks again before it touches anything.
    bool isElsewhere(const std::string& path) const {
        for (std::string_view folder : kOtherDiskFolders)
            if (path.starts_with(folder) && !rootFolder_.starts_with(folder))
                return true;
        if (!rootMount_)
            return false;
        std::optional<uint64_t> mount = mountOf(path);
        return mount && *mount != *rootMount_;
    }

    bool keeps(const Candidate& candidate) const {
        return std::ranges::none_of(candidate.paths(),
                                    [&](const std::string& path) { return isElsewhere(path); });
    }

private:
    std::string rootFolder_;
    std::optional<uint64_t> rootMount_;
};

bool isFinished(const Node* node, const Node& root) {
    if (!node || node->isScanning)
        return false;
    const Node* parent = node->parent();
    return !parent || parent == &root || !parent->isScanning;
}

long long wholeMilliseconds(std::chrono::nanoseconds elapsed) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

} // namespace

Detectors quickDetectors() {
    std::lock_guard guard(lists().lock);
    return lists().quick;
}

Detectors slowDetectors() {
    std::lock_guard guard(lists().lock);
    return lists().slow;
}

void setQuickDetectors(Detectors detectors) {
    std::lock_guard guard(lists().lock);
    lists().quick = std::move(detectors);
}

void setSlowDetectors(Detectors detectors) {
    std::lock_guard guard(lists().lock);
    lists().slow = std::move(detectors);
}

void resetDetectors() {
    Detectors quick = shippedQuick();
    Detectors slow = shippedSlow();
    std::lock_guard guard(lists().lock);
    lists().quick = std::move(quick);
    lists().slow = std::move(slow);
}

std::vector<Candidate> candidates(const AdvisorContext& context, const Detectors& detectors) {
    return take(context, detectors)();
}

Detector::Rest take(const AdvisorContext& context, const Detectors& detectors) {
    std::vector<Detector::Rest> rests;
    for (const auto& detector : detectors)
        rests.push_back(detector->take(context));
    std::optional<VolumeFilter> filter;
    if (context.root)
        filter.emplace(*context.root);
    return [rests = std::move(rests), filter = std::move(filter)] {
        std::vector<Candidate> found;
        for (const auto& rest : rests)
            for (Candidate& candidate : rest())
                found.push_back(std::move(candidate));
        if (filter)
            std::erase_if(found,
                          [&](const Candidate& candidate) { return !filter->keeps(candidate); });
        return Planner::scored(std::move(found));
    };
}

bool isSettled(const Candidate& candidate, Node& root) {
    std::vector<std::string> paths = candidate.paths();
    if (paths.empty())
        return false;
    return std::ranges::all_of(
        paths, [&](const std::string& path) { return isFinished(root.descendant(path), root); });
}

std::vector<DetectorTime> timeEach(const AdvisorContext& context, const Detectors& detectors) {
    std::vector<DetectorTime> times;
    for (const auto& detector : detectors) {
        auto start = std::chrono::steady_clock::now();
        auto found = detector->candidates(context);
        times.push_back({detector->id(), std::chrono::steady_clock::now() - start});
    }
    return times;
}

std::string timingReport(size_t kept, size_t found, std::chrono::nanoseconds whole,
                         const std::vector<DetectorTime>& times) {
    std::string report = "INTERIM " + std::to_string(kept) + " of " + std::to_string(found) +
                         " in " + std::to_string(wholeMilliseconds(whole)) + " ms\n";
    for (const DetectorTime& time : times)
        report += "  " + time.id + " " + std::to_string(wholeMilliseconds(time.elapsed)) + " ms\n";
    return report;
}

} // namespace tavelin::Advisor
