#include "advisor/AdvisorCategory.h"

namespace tavelin {
namespace {

struct CategoryTexts {
    std::string_view raw;
    std::string_view title;
    std::string_view symbol;
};

// In the order of the enumeration.
constexpr std::array<CategoryTexts, kAllCategories.size()> kTexts{{
    {"downloads", "Downloads", "arrow.down.circle"},
    {"photosVideos", "Photos & Videos", "photo.on.rectangle"},
    {"documents", "Documents", "doc.text"},
    {"duplicates", "Duplicates", "square.on.square"},
    {"cloud", "Cloud Storage", "icloud"},
    {"apps", "Apps", "app.dashed"},
    {"messagesMail", "Messages & Mail", "message"},
    {"music", "Music & Audio", "music.note"},
    {"backupsInstallers", "Backups & Installers", "externaldrive"},
    {"trash", "Trash", "trash"},
    {"caches", "Caches & Logs", "archivebox"},
    {"system", "System", "gearshape"},
    {"developer", "Developer", "hammer"},
}};

const CategoryTexts& textsOf(AdvisorCategory category) {
    return kTexts[static_cast<size_t>(category)];
}

} // namespace

std::string_view rawValue(AdvisorCategory category) {
    return textsOf(category).raw;
}

std::optional<AdvisorCategory> categoryFromRawValue(std::string_view raw) {
    for (AdvisorCategory category : kAllCategories)
        if (rawValue(category) == raw)
            return category;
    return std::nullopt;
}

std::string_view title(AdvisorCategory category) {
    return textsOf(category).title;
}

std::string_view symbol(AdvisorCategory category) {
    return textsOf(category).symbol;
}

} // namespace tavelin
