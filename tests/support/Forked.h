#pragma once

// Work run in a forked copy of the test process: as another user (to meet permissions root
// ignores), to be killed at a random moment, or to change what must not change the test's own
// process (a lowered limit, a namespace of its own).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace tavelin::test {

// The user id of "nobody", who owns nothing the tests make.
inline constexpr uid_t kNobody = 65534;

// Starts `work` in a child, first taking the user id `user` when given; the child ends with
// what `work` returns, without running the parent's exit handlers.
pid_t forkRunning(const std::function<int()>& work, std::optional<uid_t> user = std::nullopt);

// Waits for the child: its exit status, or minus the number of the signal that ended it.
int waitFor(pid_t child);

inline int runForked(const std::function<int()>& work, std::optional<uid_t> user = std::nullopt) {
    return waitFor(forkRunning(work, user));
}

struct ChildOutcome {
    int status = -1; // the child's exit status; 2 when it could not prepare
    std::array<int64_t, 3> report{};
};

// Runs `work` in a forked child; `work` reports three figures, or ends the child with status 2.
ChildOutcome inChildProcess(const std::function<std::array<int64_t, 3>()>& work);

} // namespace tavelin::test
