#pragma once

#include "advisor/Goal.h"

#include <string>
#include <vector>

namespace tavelin {

// What the command line asked for. Paths are kept as the bytes given: a folder's name need not
// be valid UTF-8.
struct LaunchOptions {
    enum class Action {
        openWindow,
        help,
        version,
        report,
        exportScan,
        suggest,
        apply,
        undo,
        undoList,
        error
    };

    Action action = Action::openWindow;
    // "tavelin PATH" or "-scan PATH": scanned when the first window shows.
    std::string scanPath;
    // The folder of "--report", "--suggest" or "--apply", which print or act without a window;
    // "--condensed" prints the report's condensed form.
    std::string commandPath;
    bool condensed = false;
    // "--import FILE": a scan file ("-": standard input) for the window to show, or with
    // "--report" alone, whose report to print.
    std::string importPath;
    // "--export PATH [-o FILE]": write PATH's scan as a scan file to FILE, standard output
    // ("-") by default.
    std::string exportPath;
    std::string outputPath = "-";
    // "--goal": what "--suggest" and "--apply" plan for; "--json" prints the suggestions as JSON.
    Goal goal = Goal::asMuchAsSafe();
    bool goalGiven = false;
    bool json = false;
    // "--step ID"…: the steps "--apply" carries out instead of a plan; "--yes" skips the
    // question; "--empty-trash" adds emptying the Trash for good.
    std::vector<std::string> steps;
    bool yes = false;
    bool emptyTrash = false;
    // "--undo ID": the batch to put back; "" for the newest that can be.
    std::string undoId;
    // "--demo": a generated tree stands in for every scan; nothing on disk is read.
    bool demo = false;
    // "--pretend-no-access": the access probe says no, to look at the access sheet and banner.
    bool pretendNoAccess = false;
    // With `Action::error`: one line saying what was wrong, for standard error.
    std::string error;

    // `arguments` starts with the program itself.
    static LaunchOptions parse(const std::vector<std::string>& arguments);
    // A relative scan path made absolute against `workingDirectory`, so that a running Tavelin
    // elsewhere finds it; a path from the home folder ("~") stays for the model to expand.
    void anchorScanPath(const std::string& workingDirectory);
    // What "--help" prints.
    static std::string usage();
    // Whether the process may hand this launch to a running Tavelin: not the demonstration or
    // the pretended lack of access, which show something the running one does not.
    // Nor a scan file, which may come from standard input.
    bool handsOver() const {
        return action == Action::openWindow && !demo && !pretendNoAccess && importPath.empty();
    }
};

} // namespace tavelin
