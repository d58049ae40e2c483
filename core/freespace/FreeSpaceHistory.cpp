#include "freespace/FreeSpaceHistory.h"

#include "freespace/StoredJson.h"
#include "util/JsonValues.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace tavelin {
namespace {

using Json = nlohmann::json;

std::optional<FreeSpaceSample> sampleFrom(const Json& entry) {
    if (!entry.is_array() || entry.size() != 3)
        return std::nullopt;
    auto date = dateFrom(entry[0]);
    auto free = int64From(entry[1]);
    auto total = int64From(entry[2]);
    if (!date || !free || !total || *free < 0 || *total < 1)
        return std::nullopt;
    return FreeSpaceSample{*date, *free, *total};
}

} // namespace

FreeSpaceHistory::FreeSpaceHistory(std::filesystem::path directory, std::chrono::seconds interval,
                                   std::chrono::seconds retention)
    : file_(std::move(directory) / fileName)
    , interval_(interval)
    , retention_(retention) {
    load();
}

void FreeSpaceHistory::load() {
    StoredJson::Contents stored = StoredJson::read(file_);
    if (!stored.exists)
        return;
    bool complete = stored.json && stored.json->is_object() && stored.json->contains("s") &&
                    (*stored.json)["s"].is_array();
    if (complete) {
        for (const Json& entry : (*stored.json)["s"]) {
            if (auto sample = sampleFrom(entry))
                samples_.push_back(*sample);
            else
                complete = false;
        }
    }
    std::stable_sort(samples_.begin(), samples_.end(),
                     [](const auto& a, const auto& b) { return a.date < b.date; });
    if (!complete)
        StoredJson::keepAside(file_);
}

bool FreeSpaceHistory::record(int64_t free, int64_t total, Date at) {
    if (total < 1 || free < 0)
        return false;
    if (!samples_.empty()) {
        auto since = at - samples_.back().date;
        if (since >= Date::duration::zero() && since < interval_)
            return false;
        if (since < Date::duration::zero())
            std::erase_if(samples_,
                          [at](const FreeSpaceSample& sample) { return sample.date >= at; });
    }
    samples_.push_back({at, free, total});
    Date oldest = at - retention_;
    auto kept =
        std::find_if(samples_.begin(), samples_.end(),
                     [oldest](const FreeSpaceSample& sample) { return sample.date >= oldest; });
    samples_.erase(samples_.begin(), kept);
    save();
    return true;
}

void FreeSpaceHistory::save() const {
    Json entries = Json::array();
    for (const FreeSpaceSample& sample : samples_)
        entries.push_back({std::llround(secondsSince1970(sample.date)), sample.free, sample.total});
    // A failed save keeps the samples in memory; the next recorded sample tries again.
    [[maybe_unused]] auto error =
        StoredJson::write(file_, Json{{"v", 1}, {"s", std::move(entries)}});
}

} // namespace tavelin
