#include "support/ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

namespace tavelin::test {

ChildOutcome inChildProcess(const std::function<std::array<int64_t, 3>()>& work) {
    ChildOutcome outcome;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return outcome;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::array<int64_t, 3> report = work();
        ::_exit(::write(pipeFds[1], report.data(), sizeof report) == sizeof report ? 0 : 3);
    }
    ::close(pipeFds[1]);
    ssize_t got = ::read(pipeFds[0], outcome.report.data(), sizeof outcome.report);
    ::close(pipeFds[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status =
            got == sizeof outcome.report ? WEXITSTATUS(status) : WEXITSTATUS(status) | 4;
    return outcome;
}

} // namespace tavelin::test
