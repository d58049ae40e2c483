#include "platform/Process.h"

#include "support/TemporaryFolder.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>
#include <sstream>
#include <thread>

using namespace tavelin::platform;
using namespace std::chrono_literals;

namespace {

ProcessResult run(std::string program, std::vector<std::string> arguments,
                  std::chrono::milliseconds limit = 10s) {
    return runProcess(ProcessRequest{std::move(program), std::move(arguments), limit});
}

// Each argument as the child received it, one per line; separated by NUL so newlines in an
// argument survive.
std::vector<std::string> echoedArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> full{"%s\\0"};
    full.insert(full.end(), arguments.begin(), arguments.end());
    std::istringstream output(run("printf", full).output);
    std::vector<std::string> received;
    for (std::string each; std::getline(output, each, '\0');)
        received.push_back(each);
    return received;
}

} // namespace

TEST(Process, PassesEveryArgumentAsItIsWithoutAShell) {
    std::vector<std::string> hostile{"",
                                     "two words",
                                     "it's \"quoted\"",
                                     "line\nbreak",
                                     "$(touch /tmp/tavelin-never) ; rm -rf ~ `id` | cat &",
                                     "*",
                                     "--help",
                                     "-",
                                     "tab\there",
                                     std::string(100'000, 'x')};
    EXPECT_EQ(echoedArguments(hostile), hostile);
}

// What a child's script leaves: its status and its output and errors merged in order.
TEST(Process, ReportsTheStatusAndOutputOfAChildAsItRan) {
    ::setenv("TAVELIN_PROCESS_TEST", "value with spaces", 1);
    // The caller ignores SIGTERM; its child must not inherit that.
    struct sigaction previous {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGTERM, &ignore, &previous);
    for (const auto& [script, status, output] :
         std::vector<std::tuple<std::string, int, std::string>>{
             {"echo out; echo err >&2; echo again; exit 3", 3, "out\nerr\nagain\n"},
             {"echo before; kill -9 $$", -1, "before\n"},
             {"kill -TERM $$; echo survived", -1, ""},
             {"cat", 0, ""}, // its input is empty, so a reader ends at once
             {"printf %s \"$TAVELIN_PROCESS_TEST\"", 0, "value with spaces"},
             {"printf 'ok \\377 \\303 caf\\303\\251'", 0, "ok \xEF\xBF\xBD \xEF\xBF\xBD café"},
         }) {
        SCOPED_TRACE(script);
        ProcessResult result = run("sh", {"-c", script});
        EXPECT_EQ(std::tuple(result.status, result.output, result.timedOut, result.startError),
                  std::tuple(status, output, false, 0));
    }
    ::sigaction(SIGTERM, &previous, nullptr);
    ::unsetenv("TAVELIN_PROCESS_TEST");
}

TEST(Process, HugeOutputIsCutAtTheLimitWhileTheChildRunsToItsEnd) {
    ProcessRequest request{"head", {"-c", "50000000", "/dev/zero"}, 20s, 1'000'000};
    ProcessResult cut = runProcess(request); // the child is never blocked on a full pipe
    EXPECT_EQ(std::tuple(cut.status, cut.output.size(), cut.outputTruncated),
              std::tuple(0, 1'000'000u, true));
    ProcessResult whole = run("head", {"-c", "3000000", "/dev/zero"});
    EXPECT_EQ(std::tuple(whole.status, whole.output.size(), whole.outputTruncated),
              std::tuple(0, 3'000'000u, false));
}

TEST(Process, AChildThatHangsIsKilledAtItsTimeLimitWithWhatItStarted) {
    tavelin::test::TemporaryFolder folder;
    std::string pidFile = folder.string() + "/grandchild";
    auto started = std::chrono::steady_clock::now();
    ProcessResult result =
        run("sh", {"-c", "sleep 60 & echo $! > \"$1\"; echo waiting; wait", "sh", pidFile}, 300ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(std::tuple(result.status, result.timedOut, result.output),
              std::tuple(-1, true, "waiting\n"));

    pid_t grandchild = 0;
    std::ifstream(pidFile) >> grandchild;
    ASSERT_GT(grandchild, 0);
    // Killed with its group; it may linger for a moment as a zombie of init.
    bool gone = false;
    for (int attempt = 0; attempt < 100 && !gone; ++attempt) {
        std::ifstream stat("/proc/" + std::to_string(grandchild) + "/stat");
        std::string pid, name, state;
        gone = !(stat >> pid >> name >> state) || state == "Z";
        if (!gone)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone);

    EXPECT_TRUE(run("sh", {"-c", "exec >/dev/null 2>&1; sleep 60"}, 200ms).timedOut)
        << "a child that closed its output but runs on";

    // A child that ends while its background work holds the pipe is done.
    started = std::chrono::steady_clock::now();
    ProcessResult done = run("sh", {"-c", "sleep 4 & echo done"}, 20s);
    EXPECT_EQ(std::tuple(done.status, done.output, done.timedOut), std::tuple(0, "done\n", false));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

// A missing program, or one that cannot be run, fails to start with its reason.
TEST(Process, ALaunchReportsOnlyAnEndWithinTheWatchAndLeavesTheRestRunning) {
    ProcessResult byName = run("tavelin-no-such-program", {});
    EXPECT_TRUE(byName.status == -1 && byName.startError == ENOENT && byName.output.empty());
    tavelin::test::TemporaryFolder folder;
    std::string notExecutable = folder.string() + "/script";
    std::ofstream(notExecutable) << "#!/bin/sh\necho ran\n";
    ProcessResult byPath = run(notExecutable, {});
    EXPECT_TRUE(byPath.status == -1 && byPath.startError == EACCES);

    LaunchResult failed = launch({"/bin/sh", "-c", "exit 3"}, 5s);
    EXPECT_TRUE(failed.ended && failed.status == 3 && failed.failed());

    EXPECT_FALSE(launch({"/bin/sh", "-c", "exit 0"}, 5s).failed());
    EXPECT_EQ(launch({"tavelin-no-such-program"}, 5s).startError, ENOENT);

    std::string marker = folder.string() + "/still running";
    auto started = std::chrono::steady_clock::now();
    LaunchResult running =
        launch({"/bin/sh", "-c", "sleep 1; touch \"$0\"; exit 1", marker}, 100ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(running.ended || running.failed());
    // It went on after the watch, in a session of its own.
    for (int tries = 0; tries < 100 && !std::filesystem::exists(marker); ++tries)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(std::filesystem::exists(marker));
}
