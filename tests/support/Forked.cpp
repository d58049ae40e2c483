#include "support/Forked.h"

#include <sys/wait.h>
#include <unistd.h>

namespace tavelin::test {

pid_t forkRunning(const std::function<int()>& work, std::optional<uid_t> user) {
    pid_t child = ::fork();
    if (child != 0)
        return child;
    if (user && (::setgid(*user) != 0 || ::setuid(*user) != 0))
        ::_exit(125);
    ::_exit(work());
}

int waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        ;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

ChildOutcome inChildProcess(const std::function<std::array<int64_t, 3>()>& work) {
    ChildOutcome outcome;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return outcome;
    pid_t child = forkRunning([&] {
        ::close(pipeFds[0]);
        std::array<int64_t, 3> report = work();
        return ::write(pipeFds[1], report.data(), sizeof report) == sizeof report ? 0 : 3;
    });
    ::close(pipeFds[1]);
    ssize_t got = ::read(pipeFds[0], outcome.report.data(), sizeof outcome.report);
    ::close(pipeFds[0]);
    int status = child > 0 ? waitFor(child) : -1;
    // A child that ends well without its report failed all the same; one that could not prepare
    // keeps its own status.
    if (status >= 0)
        outcome.status = got != sizeof outcome.report && status == 0 ? 4 : status;
    return outcome;
}

} // namespace tavelin::test
