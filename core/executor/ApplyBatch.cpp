#include "executor/ApplyBatch.h"

#include "executor/Executor.h"

#include <algorithm>
#include <numeric>

namespace tavelin::ApplyBatch {

std::vector<Step> run(const std::vector<Candidate>& steps,
                      const std::optional<TrashListing>& confirmedTrash, bool sandboxed,
                      const ExecutorEnvironment& env,
                      const std::function<void(const Step&)>& onStep) {
    std::vector<size_t> order(steps.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::ranges::stable_partition(
        order, [&](size_t index) { return steps[index].action.is<AdvisorAction::EmptyTrash>(); });
    std::vector<Step> done;
    for (size_t index : order) {
        done.push_back(
            {index, Executor::apply(steps[index].action, sandboxed, env, confirmedTrash)});
        if (onStep)
            onStep(done.back());
    }
    return done;
}

} // namespace tavelin::ApplyBatch
