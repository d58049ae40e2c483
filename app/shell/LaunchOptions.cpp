#include "shell/LaunchOptions.h"

#include "util/Text.h"

namespace tavelin {
namespace {

LaunchOptions failed(std::string error) {
    LaunchOptions options;
    options.action = LaunchOptions::Action::error;
    options.error = std::move(error);
    return options;
}

} // namespace

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    bool onlyPaths = false;
    bool help = false;
    bool version = false;
    // A later path wins over an earlier one.
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool takesPath = argument == "-scan" || argument == "--report";
        if (onlyPaths || argument.empty() || argument[0] != '-' || argument == "-") {
            options.scanPath = argument;
        } else if (argument == "--") {
            onlyPaths = true;
        } else if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--condensed") {
            options.condensed = true;
        } else if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--pretend-no-access") {
            options.pretendNoAccess = true;
        } else if (takesPath && i + 1 == arguments.size()) {
            return failed("tavelin: option “" + argument + "” needs a path");
        } else if (argument == "-scan") {
            options.scanPath = arguments[++i];
        } else if (argument == "--report") {
            options.reportPath = arguments[++i];
        } else {
            return failed("tavelin: unknown option “" + singleLine(argument) +
                          "” (see tavelin --help)");
        }
    }
    if (help)
        options.action = Action::help;
    else if (version)
        options.action = Action::version;
    else if (!options.reportPath.empty())
        options.action = Action::report;
    return options;
}

void LaunchOptions::anchorScanPath(const std::string& workingDirectory) {
    if (scanPath.empty() || scanPath.starts_with('/') || scanPath == "~" ||
        scanPath.starts_with("~/"))
        return;
    scanPath = workingDirectory + (workingDirectory.ends_with('/') ? "" : "/") + scanPath;
}

std::string LaunchOptions::usage() {
    return "Usage: tavelin [OPTION]... [PATH]\n"
           "Shows where the space on a disk goes and helps you get it back.\n"
           "\n"
           "  PATH                 scan this folder or disk when the window opens\n"
           "  -scan PATH           the same\n"
           "  --report PATH        print the report for AI agents of PATH, without a window\n"
           "  --condensed          with --report: print its condensed form\n"
           "  --demo               show a generated sample home folder instead of scanning\n"
           "  --pretend-no-access  act as if protected folders could not be read\n"
           "  --help               print this help and exit\n"
           "  --version            print the version and exit\n"
           "\n"
           "When Tavelin is already running, it opens a new window there instead.\n";
}

} // namespace tavelin
