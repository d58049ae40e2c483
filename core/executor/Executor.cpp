#include "executor/Executor.h"

#include "platform/Process.h"
#include "util/LinuxWordings.h"
#include "util/Overloaded.h"
#include "util/Paths.h"

#include <system_error>

namespace tavelin::Executor {
namespace {

// Clean-ups can take long (a package cache, a container store), but never forever.
constexpr std::chrono::minutes kToolTimeLimit(60);

std::string lastNonEmptyLine(std::string_view output) {
    while (!output.empty()) {
        size_t start = output.find_last_of('\n');
        std::string_view line = start == std::string_view::npos ? output : output.substr(start + 1);
        output = start == std::string_view::npos ? std::string_view() : output.substr(0, start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (!line.empty())
            return std::string(line);
    }
    return {};
}

// pkexec runs a command as administrator once the desktop's password prompt agrees. It exits
// with these statuses when the command never ran; any other is the command's own.
constexpr int kCouldNotStart = -1;
constexpr int kPromptDismissed = 126;
constexpr int kNotAuthorized = 127;

bool asksForPassword(const ToolCommand& command) {
    return lastPathComponent(command.executable) == "pkexec";
}

bool isPromptFailure(int status) {
    return status == kCouldNotStart || status == kPromptDismissed || status == kNotAuthorized;
}

// The command pkexec runs, as the user reads it.
std::string asAdministrator(const ToolCommand& command) {
    constexpr std::string_view kPrefix = "pkexec ";
    std::string_view display = command.display;
    return std::string(display.starts_with(kPrefix) ? display.substr(kPrefix.size()) : display);
}

std::string promptFailure(const ToolCommand& command, int status, const std::string& line) {
    std::string what = "“" + asAdministrator(command) + "”";
    std::string because = line.empty() ? "" : " (" + line + ")";
    constexpr std::string_view kUnchanged = " Nothing was changed.";
    if (status == kPromptDismissed)
        return "The password prompt was closed, so " + what + " didn’t run." +
               std::string(kUnchanged);
    if (status == kCouldNotStart)
        return "pkexec couldn’t start" + because + ", so " + what + " didn’t run." +
               std::string(kUnchanged);
    return what + " wasn’t allowed to run as administrator" + because + "." +
           std::string(kUnchanged);
}

} // namespace

ActionResult apply(const AdvisorAction& action, bool sandboxed, const ExecutorEnvironment& env,
                   const std::vector<TrashListing>& confirmedTrash) {
    return std::visit(
        Overloaded{
            [&](const AdvisorAction::Trash& step) {
                return step.checked ? trashCopies(*step.checked, env) : trash(step.paths, env);
            },
            [&](const AdvisorAction::MergeDuplicates& step) {
                return mergeDuplicates(step.keep, step.copies, env);
            },
            [&](const AdvisorAction::MakeOnlineOnly& step) {
                return makeOnlineOnly(step.paths, step.provider, sandboxed, env).result;
            },
            [&](const AdvisorAction::Archive& step) {
                return archive(step.paths, step.to, sandboxed, env);
            },
            [&](const AdvisorAction::RunTool& step) {
                return runTool(step.command, sandboxed, env);
            },
            [](const AdvisorAction::Guide&) { return ActionResult{}; },
            [&](const AdvisorAction::EmptyTrash&) { return emptyTrash(confirmedTrash); },
        },
        action.value);
}

ActionResult runTool(const ToolCommand& command, bool sandboxed, const ExecutorEnvironment& env) {
    ActionResult result;
    if (sandboxed) {
        result.error = std::string(linuxWording("Not available in the App Store version"));
        return result;
    }
    bool administrator = asksForPassword(command);
    if (!command.executable.starts_with('/')) {
        result.error = administrator ? "pkexec isn’t installed, so “" + asAdministrator(command) +
                                           "” couldn’t ask for the administrator password. "
                                           "Nothing was changed."
                                     : command.display + " couldn't be found.";
        return result;
    }
    int64_t before = env.freeSpace();
    ProcessOutput output = env.run(command.executable, command.arguments);
    result.freedEstimate = std::max<int64_t>(env.freeSpace() - before, 0);
    std::string line = lastNonEmptyLine(output.output);
    if (output.status == 0)
        result.applied = {command.display};
    else if (administrator && isPromptFailure(output.status))
        result.error = promptFailure(command, output.status, line);
    else
        result.error =
            command.display + " stopped with an error" + (line.empty() ? "." : ": " + line);
    return result;
}

ProcessOutput runProcess(const std::string& executable, const std::vector<std::string>& arguments) {
    platform::ProcessResult result = platform::runProcess(
        {.program = executable, .arguments = arguments, .timeLimit = kToolTimeLimit});
    if (result.startError != 0)
        return {-1, std::system_category().message(result.startError)};
    return {result.status, std::move(result.output)};
}

CloudItemState liveCloudState(const std::string&) {
    return CloudItemState::notInCloud;
}

} // namespace tavelin::Executor
