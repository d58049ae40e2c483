#pragma once

// Runs a program as a child process and collects what it prints. The program is started
// directly with its argument vector (no shell, so no argument is ever interpreted), with the
// caller's environment, standard input from /dev/null, and standard output and error through
// one pipe. A child that outlives its time limit is killed with everything it started in its
// process group.
//
// Thread safety: may be called from any thread; each call owns its child and descriptors.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tavelin::platform {

struct ProcessRequest {
    // A path, or a bare name looked up in PATH.
    std::string program;
    // The arguments after the program's name.
    std::vector<std::string> arguments;
    std::chrono::milliseconds timeLimit{30'000};
    // Output beyond this many bytes is read and dropped, so a chatty child never blocks on a
    // full pipe and never fills memory.
    size_t outputLimit = 16 * 1024 * 1024;
};

struct ProcessResult {
    // The exit status; -1 when the program could not start, was killed by a signal or ran
    // past its time limit.
    int status = -1;
    // Standard output and error as they came, with invalid UTF-8 replaced by U+FFFD.
    std::string output;
    // The system's error number when the program could not be started (ENOENT: not found).
    int startError = 0;
    bool timedOut = false;
    bool outputTruncated = false;
};

[[nodiscard]] ProcessResult runProcess(const ProcessRequest& request);

struct LaunchResult {
    // The system's error number when the program could not be started.
    int startError = 0;
    // Whether it ended while it was watched, and then its exit status (-1: ended by a signal).
    bool ended = false;
    int status = -1;

    bool failed() const { return startError != 0 || (ended && status != 0); }
};

// Starts a program that goes on after Tavelin (a session of its own, input from /dev/null,
// output and errors where Tavelin's go), and watches it for `watch`, blocking the caller that
// long at most: a program that ends sooner says how. One still running is left to run; a
// thread of its own collects its end, whenever that comes, so it never lingers as a zombie.
[[nodiscard]] LaunchResult launch(const std::vector<std::string>& command,
                                  std::chrono::milliseconds watch);

} // namespace tavelin::platform
