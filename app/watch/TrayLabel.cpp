#include "watch/TrayLabel.h"

#include "freespace/Alerts.h"
#include "widgets/Texts.h"

namespace tavelin {

TrayLabel TrayLabel::of(const platform::Volume* boot) {
    if (!boot)
        return {};
    return {Alerts::isLow(boot->free, boot->total) ? "exclamationmark.triangle.fill"
                                                   : "internaldrive",
            bytesText(boot->free)};
}

} // namespace tavelin
