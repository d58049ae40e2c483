#include "platform/Process.h"

#include "platform/UniqueFd.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tavelin::platform {
namespace {

using Clock = std::chrono::steady_clock;

// How often the child is looked at when it cannot be waited for through a descriptor.
constexpr std::chrono::milliseconds kExitCheck(20);

class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Output and error into `writeEnd`, input from /dev/null, and a process group of the
    // child's own, so that a time-out also ends whatever the child started.
    int prepare(int writeEnd) {
        if (int error = inputFromNull())
            return error;
        for (int target : {STDOUT_FILENO, STDERR_FILENO})
            if (int error = posix_spawn_file_actions_adddup2(&actions_, writeEnd, target))
                return error;
        posix_spawnattr_setpgroup(&attributes_, 0);
        return setFlags(POSIX_SPAWN_SETPGROUP);
    }

    // Input from /dev/null and a session of the child's own, so that neither closing the
    // terminal Tavelin was started from nor Tavelin's end takes the child with it.
    int prepareDetached() {
        if (int error = inputFromNull())
            return error;
        return setFlags(POSIX_SPAWN_SETSID);
    }

    int spawn(pid_t& pid, const ProcessRequest& request) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(request.program.c_str()));
        for (const std::string& argument : request.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        bool searchPath = request.program.find('/') == std::string::npos;
        return searchPath ? posix_spawnp(&pid, request.program.c_str(), &actions_, &attributes_,
                                         argv.data(), environ)
                          : posix_spawn(&pid, request.program.c_str(), &actions_, &attributes_,
                                        argv.data(), environ);
    }

private:
    int inputFromNull() {
        return posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }

    // Signals the caller ignores or blocks are back to normal in the child.
    int setFlags(short flags) {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        return posix_spawnattr_setflags(
            &attributes_,
            static_cast<short>(flags | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    }

    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Appends output up to the limit and drops the rest.
class Collector {
public:
    Collector(ProcessResult& result, size_t limit)
        : result_(result)
        , limit_(limit) {}

    // Reads what the pipe holds now; false once every writer has closed it.
    bool readAvailable(int fd) {
        std::array<char, 65536> buffer;
        for (;;) {
            ssize_t count = ::read(fd, buffer.data(), buffer.size());
            if (count > 0) {
                keep(std::string_view(buffer.data(), static_cast<size_t>(count)));
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            return count < 0; // 0 is the end; EAGAIN means more may come
        }
    }

private:
    void keep(std::string_view bytes) {
        size_t room = limit_ - std::min(limit_, result_.output.size());
        if (bytes.size() > room)
            result_.outputTruncated = true;
        result_.output.append(bytes.substr(0, room));
    }

    ProcessResult& result_;
    size_t limit_;
};

std::chrono::milliseconds remaining(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

// Whether the child has ended; reaps it and sets the status (-1: a signal) when it has.
bool reaped(pid_t pid, int& status) {
    int waitStatus = 0;
    pid_t done;
    do
        done = ::waitpid(pid, &waitStatus, WNOHANG);
    while (done < 0 && errno == EINTR);
    if (done == 0)
        return false;
    status = done == pid && WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return true;
}

void killAndReap(pid_t pid, ProcessResult& result) {
    ::kill(-pid, SIGKILL);
    int waitStatus = 0;
    while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    result.status = -1;
}

// Reads until the child ends. A child that ends while something it started keeps the pipe
// open is done: what it wrote before ending is already in the pipe. Where the kernel offers
// no process descriptor to wait on, the child is looked at every few milliseconds.
void collect(pid_t pid, int readEnd, ProcessResult& result, const ProcessRequest& request) {
    Clock::time_point deadline = Clock::now() + request.timeLimit;
    Collector collector(result, request.outputLimit);
    UniqueFd exitFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    bool open = true;
    for (;;) {
        std::array<pollfd, 2> entries{pollfd{exitFd.get(), POLLIN, 0},
                                      pollfd{open ? readEnd : -1, POLLIN, 0}};
        auto wait = exitFd ? remaining(deadline) : std::min(remaining(deadline), kExitCheck);
        if (::poll(entries.data(), entries.size(), static_cast<int>(wait.count())) < 0 &&
            errno != EINTR)
            break;
        if (open && entries[1].revents != 0)
            open = collector.readAvailable(readEnd);
        if ((!exitFd || entries[0].revents != 0) && reaped(pid, result.status)) {
            if (open)
                collector.readAvailable(readEnd);
            return;
        }
        if (Clock::now() >= deadline) {
            result.timedOut = true;
            break;
        }
    }
    killAndReap(pid, result);
}

// Waits for the child to end until the deadline; true when it did, with its status.
bool endsBy(pid_t pid, Clock::time_point deadline, int& status) {
    UniqueFd exitFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    for (;;) {
        pollfd entry{exitFd.get(), POLLIN, 0};
        auto wait = exitFd ? remaining(deadline) : std::min(remaining(deadline), kExitCheck);
        if (::poll(&entry, 1, static_cast<int>(wait.count())) < 0 && errno != EINTR)
            return false;
        if ((!exitFd || entry.revents != 0) && reaped(pid, status))
            return true;
        if (Clock::now() >= deadline)
            return false;
    }
}

} // namespace

LaunchResult launch(const std::vector<std::string>& command, std::chrono::milliseconds watch) {
    LaunchResult result;
    SpawnSetup setup;
    pid_t pid = 0;
    ProcessRequest request{.program = command.front(),
                           .arguments = {command.begin() + 1, command.end()}};
    if (int error = setup.prepareDetached(); error != 0) {
        result.startError = error;
        return result;
    }
    if (int error = setup.spawn(pid, request); error != 0) {
        result.startError = error;
        return result;
    }
    result.ended = endsBy(pid, Clock::now() + watch, result.status);
    if (!result.ended)
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    return result;
}

ProcessResult runProcess(const ProcessRequest& request) {
    ProcessResult result;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        result.startError = errno;
        return result;
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    SpawnSetup setup;
    pid_t pid = 0;
    if (int error = setup.prepare(writeEnd.get()); error != 0) {
        result.startError = error;
        return result;
    }
    if (int error = setup.spawn(pid, request); error != 0) {
        result.startError = error;
        return result;
    }
    writeEnd.reset();
    ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
    collect(pid, readEnd.get(), result, request);
    result.output = validUtf8(result.output);
    return result;
}

} // namespace tavelin::platform
