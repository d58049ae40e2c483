#pragma once

// Work run in a forked copy of the test process: as another user (to meet permissions root
// ignores), or to be killed at a random moment.

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

} // namespace tavelin::test
