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
    // "--report" alone reports the scan file of "--import".
    bool reportOfImport = false;
    bool outputGiven = false;
    // A later path wins over an earlier one.
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool takesPath = argument == "-scan" || argument == "--import" || argument == "--export" ||
                         argument == "-o";
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
        } else if (argument == "--report") {
            if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--"))
                options.reportPath = arguments[++i];
            else
                reportOfImport = true;
        } else if (takesPath && (i + 1 == arguments.size() || arguments[i + 1].empty())) {
            return failed("tavelin: option “" + argument + "” needs a path");
        } else if (argument == "-scan") {
            options.scanPath = arguments[++i];
        } else if (argument == "--import") {
            options.importPath = arguments[++i];
        } else if (argument == "--export") {
            options.exportPath = arguments[++i];
        } else if (argument == "-o") {
            options.outputPath = arguments[++i];
            outputGiven = true;
        } else {
            return failed("tavelin: unknown option “" + singleLine(argument) +
                          "” (see tavelin --help)");
        }
    }
    if (help) {
        options.action = Action::help;
    } else if (version) {
        options.action = Action::version;
    } else if (reportOfImport && options.importPath.empty()) {
        return failed("tavelin: option “--report” needs a path, or a scan file with “--import”");
    } else if (!options.scanPath.empty() && !options.importPath.empty()) {
        return failed("tavelin: a folder to scan and “--import” don’t go together");
    } else if (!options.reportPath.empty() && !options.importPath.empty()) {
        return failed("tavelin: “--report PATH” and “--import” don’t go together (use “--import "
                      "FILE --report”)");
    } else if (!options.exportPath.empty()) {
        if (reportOfImport || !options.reportPath.empty() || !options.importPath.empty())
            return failed("tavelin: “--export” goes with no other command");
        options.action = Action::exportScan;
    } else if (outputGiven) {
        return failed("tavelin: option “-o” goes with “--export”");
    } else if (reportOfImport || !options.reportPath.empty()) {
        options.action = Action::report;
    }
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
           "  --import FILE        show a scan file (ncdu or gdu export, plain or gzip;\n"
           "                       - reads standard input); with --report, print its report\n"
           "  --export PATH        write the scan of PATH as an ncdu export to standard output\n"
           "  -o FILE              with --export: write to FILE (gzip when it ends in .gz)\n"
           "  --demo               show a generated sample home folder instead of scanning\n"
           "  --pretend-no-access  act as if protected folders could not be read\n"
           "  --help               print this help and exit\n"
           "  --version            print the version and exit\n"
           "\n"
           "When Tavelin is already running, it opens a new window there instead.\n";
}

} // namespace tavelin
