#pragma once

// One line of explanation under a suggestion. The kind picks the line's icon and lets readers
// (the agent report) find lines by meaning; the text is shown as written.

#include "util/Hashing.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin {

struct Evidence {
    enum class Kind { lastUsed, rebuild, backup, sharing, inUse, git, location, count, note };

    Kind kind = Kind::note;
    std::string text;

    bool operator==(const Evidence&) const = default;

    // A line whose text has its first character upper-cased, as every detector shows them.
    static Evidence capitalized(Kind kind, std::string_view text);

    // The sharing line of an item of `size` allocated and `unique` freeable bytes: the shared
    // bytes + " shared with copies", when more than a tenth of the item (size ÷ 10, whole
    // bytes) is shared with other files; nothing otherwise.
    static std::optional<Evidence> sharing(int64_t size, int64_t unique);
};

inline constexpr std::array<Evidence::Kind, 9> kAllEvidenceKinds{
    Evidence::Kind::lastUsed, Evidence::Kind::rebuild, Evidence::Kind::backup,
    Evidence::Kind::sharing,  Evidence::Kind::inUse,   Evidence::Kind::git,
    Evidence::Kind::location, Evidence::Kind::count,   Evidence::Kind::note,
};

// The case names, as stored: "lastUsed", "rebuild", …
std::string_view rawValue(Evidence::Kind kind);
std::optional<Evidence::Kind> evidenceKindFromRawValue(std::string_view raw);

} // namespace tavelin

template <>
struct std::hash<tavelin::Evidence> {
    size_t operator()(const tavelin::Evidence& evidence) const {
        return tavelin::hashValues(evidence.kind, evidence.text);
    }
};
