#include "freespace/AlertKind.h"

namespace tavelin {

std::string_view rawValue(AlertKind kind) {
    switch (kind) {
    case AlertKind::critical:
        return "critical";
    case AlertKind::runningOut:
        return "runningOut";
    case AlertKind::suddenDrop:
        break;
    }
    return "suddenDrop";
}

std::optional<AlertKind> alertKindFromRawValue(std::string_view raw) {
    for (AlertKind kind : kAlertKinds)
        if (rawValue(kind) == raw)
            return kind;
    return std::nullopt;
}

} // namespace tavelin
