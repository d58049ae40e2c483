#include "LaunchOptions.h"

namespace tavelin {

LaunchOptions LaunchOptions::parse(const QStringList& arguments) {
    LaunchOptions options;
    // The first entry is the program itself; a later "-scan" wins over an earlier one.
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-scan"))
            options.scanPath = arguments[++i];
    }
    return options;
}

} // namespace tavelin
