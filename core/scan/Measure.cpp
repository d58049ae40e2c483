#include "scan/Measure.h"

namespace tavelin {

std::string_view rawValue(Measure measure) {
    return measure == Measure::allocated ? "allocated" : "unique";
}

std::optional<Measure> measureFromRawValue(std::string_view raw) {
    for (Measure measure : kAllMeasures)
        if (rawValue(measure) == raw)
            return measure;
    return std::nullopt;
}

} // namespace tavelin
