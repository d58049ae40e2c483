#pragma once

// The startup disk's free space over the last two weeks, sampled at most every `interval` and
// kept for `retention`, stored in "FreeSpace.json" as {"v": 1, "s": [[seconds, free, total], …]}
// with whole seconds since 1970.
//
// A file that is missing starts an empty history; one that is damaged (not JSON, the wrong
// shape, entries that are not three sound integers, far too large) is moved aside and only what
// could be read of it is kept. Saves that fail are ignored: the samples stay in memory.
// Used on the UI thread only.

#include "freespace/FreeSpaceSample.h"

#include <chrono>
#include <filesystem>
#include <vector>

namespace tavelin {

class FreeSpaceHistory {
public:
    static constexpr const char* fileName = "FreeSpace.json";
    static constexpr std::chrono::seconds defaultInterval{300};
    static constexpr std::chrono::seconds defaultRetention{1'209'600};

    // Loads the file in `directory`.
    FreeSpaceHistory(std::filesystem::path directory, std::chrono::seconds interval,
                     std::chrono::seconds retention);

    const std::filesystem::path& file() const { return file_; }
    // Oldest first.
    const std::vector<FreeSpaceSample>& samples() const { return samples_; }

    // Adds the reading and saves the file, unless it is nonsensical (total below 1 byte,
    // negative free space) or comes less than `interval` after the last sample. A reading dated
    // before the last sample (the clock moved back) first drops every sample not earlier than
    // it. Samples older than `retention` before the reading go. Whether it was added.
    bool record(int64_t free, int64_t total, Date at);

private:
    void load();
    void save() const;

    std::filesystem::path file_;
    std::chrono::seconds interval_;
    std::chrono::seconds retention_;
    std::vector<FreeSpaceSample> samples_;
};

} // namespace tavelin
