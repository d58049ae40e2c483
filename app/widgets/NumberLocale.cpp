#include "widgets/NumberLocale.h"

#include "widgets/SettingsKeys.h"

#include <QSettings>
#include <locale>
#include <stdexcept>

namespace tavelin {

void installNumberLocale() {
    std::locale user = std::locale::classic();
    try {
        user = std::locale("");
    } catch (const std::runtime_error&) {
        // An unknown LANG leaves the classic locale.
    }
    if (std::use_facet<std::numpunct<char>>(user).grouping().empty())
        user = englishNumberLocale();
    std::locale::global(std::locale(std::locale::classic(), user, std::locale::numeric));
}

void installByteUnits() {
    bool binary = QSettings().value(SettingsKeys::sizeUnits) == QStringLiteral("binary");
    setByteUnits(binary ? ByteUnits::binary : ByteUnits::decimal);
}

void storeByteUnits(ByteUnits units) {
    QSettings().setValue(SettingsKeys::sizeUnits, units == ByteUnits::binary
                                                      ? QStringLiteral("binary")
                                                      : QStringLiteral("decimal"));
    setByteUnits(units);
}

} // namespace tavelin
