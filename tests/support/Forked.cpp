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

} // namespace tavelin::test
