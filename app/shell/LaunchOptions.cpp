#include "shell/LaunchOptions.h"

#include "util/Text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace tavelin {
namespace {

using Action = LaunchOptions::Action;

// The options that take the next argument, and what it is.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kValues{{
    {"-scan", "a path"},
    {"--import", "a path"},
    {"--export", "a path"},
    {"-o", "a path"},
    {"--suggest", "a path"},
    {"--apply", "a path"},
    {"--goal", "a goal"},
    {"--step", "a step id"},
}};

// The options that only mean something with one of the commands.
struct Companion {
    std::string_view option;
    std::vector<Action> commands;
    std::string_view words;
};

const std::array<Companion, 10> kCompanions{{
    {"--import", {Action::openWindow, Action::report}, "--report or the window"},
    {"-o", {Action::exportScan}, "--export"},
    {"--condensed", {Action::report}, "--report"},
    {"--goal", {Action::suggest, Action::apply}, "--suggest or --apply"},
    {"--json", {Action::suggest}, "--suggest"},
    {"--step", {Action::apply}, "--apply"},
    {"--yes", {Action::apply}, "--apply"},
    {"--empty-trash", {Action::apply}, "--apply"},
    {"--list", {Action::undo}, "--undo"},
    {"--demo", {Action::openWindow}, "the window"},
}};

LaunchOptions failed(std::string error) {
    LaunchOptions options;
    options.action = Action::error;
    options.error = std::move(error);
    return options;
}

std::string quotedOption(std::string_view option) {
    return "“" + singleLine(option) + "”";
}

std::optional<std::string_view> valueOf(std::string_view option) {
    auto found =
        std::ranges::find(kValues, option, &std::pair<std::string_view, std::string_view>::first);
    if (found == kValues.end())
        return std::nullopt;
    return found->second;
}

// Why the options given do not go together; nothing when they do.
std::optional<std::string> mismatch(const LaunchOptions& options,
                                    const std::vector<std::string>& given, bool pathGiven) {
    Action command = options.action;
    if (!options.importPath.empty() && pathGiven)
        return std::string("tavelin: a folder to scan and “--import” don’t go together");
    if (command == Action::report && options.commandPath.empty() == options.importPath.empty())
        return std::string(options.importPath.empty()
                               ? "tavelin: option “--report” needs a path, or a scan file with "
                                 "“--import”"
                               : "tavelin: “--report PATH” and “--import” don’t go together (use "
                                 "“--import FILE --report”)");
    for (const Companion& companion : kCompanions)
        if (std::ranges::find(given, companion.option) != given.end() &&
            std::ranges::find(companion.commands, command) == companion.commands.end())
            return "tavelin: " + quotedOption(companion.option) + " goes with " +
                   std::string(companion.words) + " only (see tavelin --help)";
    if (command != Action::openWindow && pathGiven)
        return "tavelin: “" + singleLine(options.scanPath) + "” is one path too many";
    if (command == Action::apply && options.goalGiven == !options.steps.empty())
        return std::string("tavelin: --apply needs either --goal GOAL or --step ID");
    if (command == Action::undo && !options.undoId.empty() &&
        std::ranges::find(given, "--list") != given.end())
        return std::string("tavelin: --undo --list takes no id");
    return std::nullopt;
}

} // namespace

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    bool onlyPaths = false;
    bool pathGiven = false;
    std::vector<Action> commands;
    std::vector<std::string> given;
    // A later path wins over an earlier one.
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPaths || argument.empty() || argument[0] != '-' || argument == "-") {
            options.scanPath = argument;
            pathGiven = true;
            continue;
        }
        given.push_back(argument);
        std::optional<std::string_view> value = valueOf(argument);
        if (value && (i + 1 == arguments.size() || arguments[i + 1].empty()))
            return failed("tavelin: option " + quotedOption(argument) + " needs " +
                          std::string(*value));
        if (argument == "--") {
            onlyPaths = true;
        } else if (argument == "--help" || argument == "-h") {
            commands.insert(commands.begin(), Action::help);
        } else if (argument == "--version") {
            commands.push_back(Action::version);
        } else if (argument == "--condensed") {
            options.condensed = true;
        } else if (argument == "--demo") {
            options.demo = true;
        } else if (argument == "--pretend-no-access") {
            options.pretendNoAccess = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--yes") {
            options.yes = true;
        } else if (argument == "--empty-trash") {
            options.emptyTrash = true;
        } else if (argument == "--list") {
        } else if (argument == "-scan") {
            options.scanPath = arguments[++i];
            pathGiven = true;
        } else if (argument == "--report") {
            // Without a path, the report of the scan file of "--import".
            commands.push_back(Action::report);
            if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--"))
                options.commandPath = arguments[++i];
        } else if (argument == "--suggest" || argument == "--apply") {
            commands.push_back(argument == "--suggest" ? Action::suggest : Action::apply);
            options.commandPath = arguments[++i];
        } else if (argument == "--export") {
            commands.push_back(Action::exportScan);
            options.exportPath = arguments[++i];
        } else if (argument == "--import") {
            options.importPath = arguments[++i];
        } else if (argument == "-o") {
            options.outputPath = arguments[++i];
        } else if (argument == "--undo") {
            commands.push_back(Action::undo);
            if (i + 1 < arguments.size() && !arguments[i + 1].starts_with('-'))
                options.undoId = arguments[++i];
        } else if (argument == "--goal") {
            std::optional<Goal> goal = Goal::parsed(arguments[++i]);
            if (!goal)
                return failed("tavelin: the goal “" + singleLine(arguments[i]) +
                              "” can’t be read; give max-safe or a size such as 20GB");
            options.goal = *goal;
            options.goalGiven = true;
        } else if (argument == "--step") {
            options.steps.push_back(arguments[++i]);
        } else {
            return failed("tavelin: unknown option " + quotedOption(argument) +
                          " (see tavelin --help)");
        }
    }
    if (!commands.empty() &&
        (commands.front() == Action::help || commands.front() == Action::version)) {
        options.action = commands.front();
        return options;
    }
    if (commands.size() > 1)
        return failed(std::ranges::find(commands, Action::exportScan) != commands.end()
                          ? "tavelin: “--export” goes with no other command"
                          : "tavelin: --report, --suggest, --apply and --undo can’t be combined");
    options.action = commands.empty() ? Action::openWindow : commands.front();
    if (auto error = mismatch(options, given, pathGiven))
        return failed(*error);
    if (options.action == Action::undo && std::ranges::find(given, "--list") != given.end())
        options.action = Action::undoList;
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
           "  --demo               show a generated sample home folder instead of scanning\n"
           "  --pretend-no-access  act as if protected folders could not be read\n"
           "  --help               print this help and exit\n"
           "  --version            print the version and exit\n"
           "\n"
           "Without a window:\n"
           "  --report PATH        print the report for AI agents of PATH\n"
           "  --condensed          with --report: print its condensed form\n"
           "  --import FILE        show a scan file (ncdu or gdu export, plain or gzip;\n"
           "                       - reads standard input); with --report, print its report\n"
           "  --export PATH        write the scan of PATH as an ncdu export to standard output\n"
           "  -o FILE              with --export: write to FILE (gzip when it ends in .gz)\n"
           "  --suggest PATH       list what could go in PATH, with the steps the plan ticks\n"
           "  --goal GOAL          with --suggest or --apply: plan for max-safe (the default)\n"
           "                       or a size to free, such as 20GB\n"
           "  --json               with --suggest: print one JSON document\n"
           "  --apply PATH         carry out the plan for --goal, or the steps given by --step,\n"
           "                       after asking\n"
           "  --step ID            with --apply: a step listed by --suggest (repeatable)\n"
           "  --yes                with --apply: do not ask\n"
           "  --empty-trash        with --apply: also empty the Trash for good, keeping what\n"
           "                       the same steps move there\n"
           "  --undo [ID]          put back the newest batch that can be, or batch ID\n"
           "  --undo --list        list the batches that were applied, newest first\n"
           "\n"
           "Scans leave out the excluded folders of Tavelin's settings (--export lists\n"
           "everything): absolute paths, and names or patterns such as node_modules or\n"
           "*.iso, as du --exclude reads them.\n"
           "\n"
           "Exit status: 0 on success, 1 for a path or scan file that cannot be read, a\n"
           "question answered no or nothing to put back, 2 for a wrong option, goal or step\n"
           "id (nothing is changed), 3 when some steps failed.\n"
           "\n"
           "When Tavelin is already running, it opens a new window there instead.\n";
}

} // namespace tavelin
