// Merging identical files so they share one stored copy of their data.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "util/ContentHash.h"
#include "util/Paths.h"

namespace tavelin::Executor {

ActionResult mergeDuplicates(const std::string& keep, const std::vector<std::string>& copies,
                             const ExecutorEnvironment& env) {
    ActionResult result;
    auto kept = platform::FileIdentity::of(keep);
    auto keptDigest = kept ? ContentHash::sha256(keep) : std::nullopt;
    if (!kept || !keptDigest) {
        result.error = lastPathComponent(keep) + " is no longer there, so nothing was merged.";
        return result;
    }
    std::vector<std::string> changed;
    std::vector<std::string> unmerged;
    for (const std::string& copy : copies) {
        std::string name = lastPathComponent(copy);
        auto identity = platform::FileIdentity::of(copy);
        // The file system, not the device: each btrfs subvolume has a device of its own, yet
        // files in two subvolumes of one mount can share data.
        if (!identity || identity->length != kept->length || identity->mount != kept->mount) {
            changed.push_back(name);
            continue;
        }
        if (identity->dataKey() == kept->dataKey())
            continue;
        if (identity->isLocked()) {
            unmerged.push_back(name);
            continue;
        }
        auto digest = ContentHash::sha256(copy);
        if (!digest || *digest != *keptDigest) {
            changed.push_back(name);
            continue;
        }
        int64_t bytes = uniqueBytes(copy);
        switch (env.mergeCopy(keep, *identity)) {
        case platform::DedupeOutcome::shared:
            result.applied.push_back(copy);
            result.freedEstimate += bytes;
            break;
        case platform::DedupeOutcome::changed:
            changed.push_back(name);
            break;
        case platform::DedupeOutcome::failed:
            unmerged.push_back(name);
            break;
        }
    }
    std::vector<std::string> sentences;
    if (!changed.empty())
        sentences.push_back(list(changed) + " changed since it was checked and was left as it is.");
    if (!unmerged.empty())
        sentences.push_back(list(unmerged) + " couldn't be merged and was left as it is.");
    result.error = joinedSentences(sentences);
    return result;
}

} // namespace tavelin::Executor
