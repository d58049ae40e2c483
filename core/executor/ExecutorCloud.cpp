// Making cloud files online-only: the provider keeps them, only the local copies go.

#include "executor/Executor.h"
#include "executor/Sentences.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"
#include "util/Paths.h"

#include <algorithm>
#include <thread>

namespace tavelin::Executor {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks whether it was called off.
constexpr std::chrono::milliseconds kCancelCheck(100);

bool allUploaded(const std::vector<std::string>& paths, const ExecutorEnvironment& env) {
    for (const std::string& path : paths)
        for (const LocalFile& file : localFiles(path))
            if (env.cloudState(file.path) != CloudItemState::uploaded)
                return false;
    return true;
}

void sleepUntil(Clock::time_point until, const std::function<bool()>& isCancelled) {
    while (Clock::now() < until && !(isCancelled && isCancelled()))
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), kCancelCheck));
}

} // namespace

OnlineOnly makeOnlineOnly(const std::vector<std::string>& paths, const CloudProvider& provider,
                          bool /*sandboxed*/, const ExecutorEnvironment& env) {
    OnlineOnly done;
    ActionResult& result = done.result;
    if (!env.canMakeOnlineOnly(provider)) {
        result.error = provider.name +
                       " can't keep files online-only on this computer, so nothing was changed.";
        return done;
    }
    std::vector<std::string> notInProvider;
    std::vector<std::string> evictFailed;
    std::vector<std::string> evicted;
    for (const std::string& path : paths) {
        if (!isInside(path, provider.root)) {
            notInProvider.push_back(lastPathComponent(path));
            continue;
        }
        std::vector<LocalFile> uploaded;
        for (LocalFile& file : localFiles(path)) {
            if (env.cloudState(file.path) == CloudItemState::uploaded)
                uploaded.push_back(std::move(file));
            else
                done.waiting.push_back(std::move(file.path));
        }
        bool evictedHere = false;
        for (const LocalFile& file : uploaded) {
            if (!env.evictICloud(file.path)) {
                evictFailed.push_back(lastPathComponent(file.path));
                continue;
            }
            result.freedEstimate += file.allocated;
            evicted.push_back(file.path);
            evictedHere = true;
        }
        if (evictedHere)
            result.applied.push_back(path);
    }
    if (!evicted.empty())
        result.undo = UndoRecord::madeOnlineOnly(std::move(evicted));

    std::vector<std::string> sentences;
    if (!notInProvider.empty())
        sentences.push_back(list(notInProvider) + " isn't in " + provider.name + ".");
    if (!done.waiting.empty())
        sentences.push_back(formatCounted(static_cast<int64_t>(done.waiting.size()), "file") +
                            std::string(linuxWording(" stayed on this Mac because ")) +
                            (done.waiting.size() == 1 ? "it hasn't" : "they haven't") +
                            " finished uploading to " + provider.name + ".");
    if (!evictFailed.empty())
        sentences.push_back(provider.name + " didn't remove the local copy of " +
                            list(evictFailed) + ".");
    result.error = joinedSentences(sentences);
    return done;
}

ActionResult makeOnlineOnlyWhenUploaded(const std::vector<std::string>& paths,
                                        const CloudProvider& provider,
                                        std::chrono::milliseconds timeout, bool sandboxed,
                                        const ExecutorEnvironment& env,
                                        const std::function<bool()>& isCancelled) {
    if (env.canMakeOnlineOnly(provider)) {
        Clock::time_point deadline = Clock::now() + timeout;
        while (Clock::now() < deadline && !(isCancelled && isCancelled()) &&
               !allUploaded(paths, env))
            sleepUntil(std::min(Clock::now() + env.pollInterval, deadline), isCancelled);
    }
    OnlineOnly done = makeOnlineOnly(paths, provider, sandboxed, env);
    if (!done.waiting.empty())
        done.result.pending = formatCounted(static_cast<int64_t>(done.waiting.size()), "file") +
                              " " + (done.waiting.size() == 1 ? "is" : "are") +
                              " still uploading to " + provider.name +
                              std::string(linuxWording(" and stay on this Mac for now."));
    return done.result;
}

} // namespace tavelin::Executor
