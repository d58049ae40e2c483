#include "model/AppliedResult.h"

#include "executor/Executor.h"
#include "util/Overloaded.h"

#include <chrono>
#include <thread>

namespace tavelin {
namespace {

constexpr std::chrono::hours kUploadWait{6};

std::vector<std::string> landedPaths(const UndoRecord& record) {
    std::vector<std::string> paths;
    auto addTrashed = [&](const std::vector<TrashedItem>& items) {
        for (const TrashedItem& item : items)
            paths.push_back(item.trashed);
    };
    std::visit(Overloaded{
                   [&](const UndoRecord::Trashed& trashed) { addTrashed(trashed.items); },
                   [&](const UndoRecord::Archived& archived) {
                       addTrashed(archived.trashed);
                       paths.insert(paths.end(), archived.copies.begin(), archived.copies.end());
                   },
                   [](const UndoRecord::MadeOnlineOnly&) {},
               },
               record.value);
    return paths;
}

void makeOnlineOnlyOnceUploaded(std::vector<std::string> copies, CloudProvider provider,
                                bool sandboxed) {
    // May outlive the window and the batch by hours; it touches nothing of the application.
    std::thread([copies = std::move(copies), provider = std::move(provider), sandboxed] {
        (void)Executor::makeOnlineOnlyWhenUploaded(copies, provider, kUploadWait, sandboxed,
                                                   ExecutorEnvironment::live());
    }).detach();
}

} // namespace

AppliedResult AppliedResult::live(const AdvisorAction& action, bool sandboxed) {
    ActionResult result = Executor::apply(action, sandboxed, ExecutorEnvironment::live());
    if (const auto* archive = std::get_if<AdvisorAction::Archive>(&action.value))
        if (const auto* cloud = std::get_if<CloudProvider>(&archive->to.value);
            cloud && !result.archived.empty())
            makeOnlineOnlyOnceUploaded(result.archived, *cloud, sandboxed);
    AppliedResult applied{
        std::move(result.applied), std::move(result.error), std::move(result.pending), {}, {}};
    if (result.undo) {
        applied.landed = landedPaths(*result.undo);
        applied.undo = [record = *result.undo] {
            return Executor::undo(record, ExecutorEnvironment::live());
        };
    }
    return applied;
}

} // namespace tavelin
