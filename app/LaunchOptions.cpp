#include "LaunchOptions.h"

namespace tavelin {

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    // A later "-scan" wins over an earlier one.
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--condensed")
            options.condensed = true;
        else if (i + 1 == arguments.size())
            break;
        else if (arguments[i] == "-scan")
            options.scanPath = arguments[++i];
        else if (arguments[i] == "--report")
            options.reportPath = arguments[++i];
    }
    return options;
}

} // namespace tavelin
