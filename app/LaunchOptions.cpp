#include "LaunchOptions.h"

namespace tavelin {

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    // A later "-scan" wins over an earlier one.
    for (size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "-scan")
            options.scanPath = arguments[++i];
    }
    return options;
}

} // namespace tavelin
