#include "platform/MessageCatalogs.h"

#include "platform/Files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tavelin::platform {
namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr size_t kCatalogLimit = 16 << 20;

// Reads the catalog's 32-bit words in the byte order its magic number shows.
class Words {
public:
    explicit Words(std::string_view bytes)
        : bytes_(bytes) {
        uint32_t magic = 0;
        if (!raw(0, magic))
            return;
        valid_ = magic == kMagic || __builtin_bswap32(magic) == kMagic;
        swapped_ = magic != kMagic;
    }

    bool valid() const { return valid_; }

    std::optional<uint32_t> at(size_t offset) const {
        uint32_t word = 0;
        if (!raw(offset, word))
            return std::nullopt;
        return swapped_ ? __builtin_bswap32(word) : word;
    }

    // The string a table entry (length, offset) at `entry` describes.
    std::optional<std::string_view> string(size_t entry) const {
        auto length = at(entry);
        auto offset = at(entry + 4);
        if (!length || !offset || *offset > bytes_.size() || *length > bytes_.size() - *offset)
            return std::nullopt;
        return bytes_.substr(*offset, *length);
    }

private:
    bool raw(size_t offset, uint32_t& word) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof word)
            return false;
        std::memcpy(&word, bytes_.data() + offset, sizeof word);
        return true;
    }

    std::string_view bytes_;
    bool valid_ = false;
    bool swapped_ = false;
};

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "de_AT.UTF-8@euro" gives "de_AT" and "de".
void addForms(std::string_view locale, std::vector<std::string>& into) {
    std::string_view bare = locale.substr(0, locale.find_first_of(".@"));
    if (bare.empty())
        return;
    into.emplace_back(bare);
    if (size_t underscore = bare.find('_'); underscore != std::string_view::npos)
        into.emplace_back(bare.substr(0, underscore));
}

} // namespace

std::optional<std::string> catalogTranslation(std::string_view catalog, std::string_view text) {
    Words words(catalog);
    if (!words.valid())
        return std::nullopt;
    auto count = words.at(8);
    auto originals = words.at(12);
    auto translations = words.at(16);
    if (!count || !originals || !translations)
        return std::nullopt;
    for (uint32_t i = 0; i < *count; ++i) {
        auto original = words.string(*originals + size_t{8} * i);
        if (!original)
            return std::nullopt;
        if (*original != text)
            continue;
        auto translated = words.string(*translations + size_t{8} * i);
        if (!translated)
            return std::nullopt;
        // Plural forms follow the first after a NUL.
        std::string_view first = translated->substr(0, translated->find('\0'));
        return first.empty() ? std::nullopt : std::optional(std::string(first));
    }
    return std::nullopt;
}

std::vector<std::string> messageLanguages() {
    std::string_view locale = variable("LC_ALL");
    if (locale.empty())
        locale = variable("LC_MESSAGES");
    if (locale.empty())
        locale = variable("LANG");
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C."))
        return {};
    std::vector<std::string> languages;
    std::string_view list = variable("LANGUAGE");
    while (!list.empty()) {
        size_t colon = list.find(':');
        addForms(list.substr(0, colon), languages);
        list.remove_prefix(colon == std::string_view::npos ? list.size() : colon + 1);
    }
    addForms(locale, languages);
    return languages;
}

MessageCatalogs::MessageCatalogs(std::vector<std::string> languages, std::string localeRoot)
    : languages_(std::move(languages))
    , localeRoot_(std::move(localeRoot)) {}

std::optional<std::string> MessageCatalogs::translation(std::string_view domain,
                                                        std::string_view text) {
    for (const std::string& language : languages_) {
        std::string path =
            localeRoot_ + "/" + language + "/LC_MESSAGES/" + std::string(domain) + ".mo";
        std::lock_guard guard(lock_);
        auto [entry, added] = catalogs_.try_emplace(path);
        if (added)
            entry->second = readRegularFile(path.c_str(), kCatalogLimit);
        if (!entry->second)
            continue;
        if (auto translated = catalogTranslation(*entry->second, text))
            return translated;
    }
    return std::nullopt;
}

} // namespace tavelin::platform
