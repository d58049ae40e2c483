#pragma once

// Runs test work in a child process, for what must not change the test's own process: dropped
// privileges, a lowered limit, a namespace of its own.

#include <array>
#include <cstdint>
#include <functional>

namespace tavelin::test {

struct ChildOutcome {
    int status = -1; // the child's exit status; 2 when it could not prepare
    std::array<int64_t, 3> report{};
};

// Runs `work` in a forked child; `work` reports three figures, or ends the child with status 2.
ChildOutcome inChildProcess(const std::function<std::array<int64_t, 3>()>& work);

} // namespace tavelin::test
