#include "executor/Executor.h"

#include "platform/Process.h"
#include "util/LinuxWordings.h"
#include "util/Overloaded.h"

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
    if (!command.executable.starts_with('/')) {
        result.error = command.display + " couldn't be found.";
        return result;
    }
    int64_t before = env.freeSpace();
    ProcessOutput output = env.run(command.executable, command.arguments);
    result.freedEstimate = std::max<int64_t>(env.freeSpace() - before, 0);
    if (output.status == 0) {
        result.applied = {command.display};
    } else {
        std::string line = lastNonEmptyLine(output.output);
        result.error =
            command.display + " stopped with an error" + (line.empty() ? "." : ": " + line);
    }
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
