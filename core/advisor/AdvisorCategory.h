#pragma once

// Where a suggestion is listed. `kAllCategories` is also the order of the category sections;
// stored files name a category by its raw value, the case name.

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

enum class AdvisorCategory {
    downloads,
    photosVideos,
    documents,
    duplicates,
    cloud,
    apps,
    messagesMail,
    music,
    backupsInstallers,
    trash,
    caches,
    system,
    developer,
};

inline constexpr std::array<AdvisorCategory, 13> kAllCategories{
    AdvisorCategory::downloads,
    AdvisorCategory::photosVideos,
    AdvisorCategory::documents,
    AdvisorCategory::duplicates,
    AdvisorCategory::cloud,
    AdvisorCategory::apps,
    AdvisorCategory::messagesMail,
    AdvisorCategory::music,
    AdvisorCategory::backupsInstallers,
    AdvisorCategory::trash,
    AdvisorCategory::caches,
    AdvisorCategory::system,
    AdvisorCategory::developer,
};

std::string_view rawValue(AdvisorCategory category);
std::optional<AdvisorCategory> categoryFromRawValue(std::string_view raw);

// The section heading: "Downloads", "Photos & Videos", …
std::string_view title(AdvisorCategory category);
// The symbol name shown beside the heading ("arrow.down.circle", …).
std::string_view symbol(AdvisorCategory category);

} // namespace tavelin
