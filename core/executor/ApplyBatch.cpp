#include "executor/ApplyBatch.h"

#include "executor/Executor.h"

#include <algorithm>
#include <numeric>

namespace tavelin::ApplyBatch {

Confirmed confirm(std::vector<Candidate> steps, const ExecutorEnvironment& env) {
    Confirmed batch{std::move(steps), {}};
    for (const Candidate& step : batch.steps)
        if (const auto* empty = std::get_if<AdvisorAction::EmptyTrash>(&step.action.value))
            std::ranges::move(Executor::listTrash(empty->trashes, env),
                              std::back_inserter(batch.trash));
    return batch;
}

std::vector<Step> run(const Confirmed& batch, bool sandboxed, const ExecutorEnvironment& env,
                      const std::function<void(const Step&)>& onStep) {
    const std::vector<Candidate>& steps = batch.steps;
    std::vector<size_t> order(steps.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::ranges::stable_partition(
        order, [&](size_t index) { return steps[index].action.is<AdvisorAction::EmptyTrash>(); });
    std::vector<Step> done;
    for (size_t index : order) {
        done.push_back({index, Executor::apply(steps[index].action, sandboxed, env, batch.trash)});
        if (onStep)
            onStep(done.back());
    }
    return done;
}

} // namespace tavelin::ApplyBatch
