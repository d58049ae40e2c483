#include "widgets/NumberLocale.h"

#include "util/Format.h"

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

} // namespace tavelin
