#include "advisor/Rung.h"

namespace tavelin {

int rawValue(Rung rung) {
    return static_cast<int>(rung);
}

std::optional<Rung> rungFromRawValue(int raw) {
    for (Rung rung : kAllRungs)
        if (rawValue(rung) == raw)
            return rung;
    return std::nullopt;
}

std::string_view label(Rung rung) {
    switch (rung) {
    case Rung::lossless:
        return "No loss";
    case Rung::ownerTool:
        return "Tool clean-up";
    case Rung::rebuildable:
        return "Rebuilt";
    case Rung::archive:
        return "Moved";
    case Rung::review:
        return "Your call";
    }
    return {};
}

DotColour dotColour(Rung rung) {
    switch (rung) {
    case Rung::lossless:
        return DotColour::green;
    case Rung::ownerTool:
        return DotColour::teal;
    case Rung::rebuildable:
        return DotColour::orange;
    case Rung::archive:
        return DotColour::blue;
    case Rung::review:
        return DotColour::pink;
    }
    return DotColour::pink;
}

} // namespace tavelin
