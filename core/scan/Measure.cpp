#include "scan/Measure.h"

namespace tavelin {

std::string_view rawValue(Measure measure) {
    switch (measure) {
    case Measure::allocated:
        return "allocated";
    case Measure::unique:
        return "unique";
    case Measure::apparent:
        return "apparent";
    }
    return {};
}

std::optional<Measure> measureFromRawValue(std::string_view raw) {
    for (Measure measure : kAllMeasures)
        if (rawValue(measure) == raw)
            return measure;
    return std::nullopt;
}

} // namespace tavelin
