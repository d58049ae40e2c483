#include "advisor/Evidence.h"

#include "util/Format.h"
#include "util/Text.h"

namespace tavelin {

Evidence Evidence::capitalized(Kind kind, std::string_view text) {
    return {kind, capitalizedFirst(text)};
}

std::optional<Evidence> Evidence::sharing(int64_t size, int64_t unique) {
    int64_t shared = size - unique;
    if (shared <= size / 10)
        return std::nullopt;
    return capitalized(Kind::sharing, formatBytes(shared) + " shared with copies");
}

std::string_view rawValue(Evidence::Kind kind) {
    switch (kind) {
    case Evidence::Kind::lastUsed:
        return "lastUsed";
    case Evidence::Kind::rebuild:
        return "rebuild";
    case Evidence::Kind::backup:
        return "backup";
    case Evidence::Kind::sharing:
        return "sharing";
    case Evidence::Kind::inUse:
        return "inUse";
    case Evidence::Kind::git:
        return "git";
    case Evidence::Kind::location:
        return "location";
    case Evidence::Kind::count:
        return "count";
    case Evidence::Kind::note:
        return "note";
    }
    return {};
}

std::optional<Evidence::Kind> evidenceKindFromRawValue(std::string_view raw) {
    for (Evidence::Kind kind : kAllEvidenceKinds)
        if (rawValue(kind) == raw)
            return kind;
    return std::nullopt;
}

} // namespace tavelin
