#include "advisor/reclaim/ReclaimRule.h"

#include "scan/ExtensionTally.h"

namespace tavelin {

bool ReclaimRule::NameFilter::passes(std::string_view name) const {
    if (const auto* prefix = std::get_if<Prefix>(&value))
        return name.starts_with(prefix->text);
    if (const auto* extensions = std::get_if<Extensions>(&value))
        return extensions->lowercased.contains(ExtensionTally::key(name));
    return true;
}

} // namespace tavelin
