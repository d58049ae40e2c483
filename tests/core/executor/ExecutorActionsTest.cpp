#include "ExecutorTest.h"
#include "platform/Account.h"

#include <cstdlib>

using namespace tavelin;
using namespace tavelin::test;
namespace fs = std::filesystem;

namespace {

// A tool run that reports the given status and output, and frees `freed` bytes while it runs.
ExecutorEnvironment toolEnvironment(int status, std::string output, int64_t freed,
                                    Paths* ran = nullptr) {
    ExecutorEnvironment env = ExecutorEnvironment::live();
    auto space = std::make_shared<int64_t>(1'000'000);
    env.freeSpace = [space] { return *space; };
    env.run = [=](const std::string& executable, const Paths& arguments) {
        if (ran) {
            ran->push_back(executable);
            ran->insert(ran->end(), arguments.begin(), arguments.end());
        }
        *space += freed;
        return ProcessOutput{status, output};
    };
    return env;
}

// A cloud provider whose files are uploaded unless their names begin with "up", and whose
// evictions fail for names beginning with "stuck".
struct FakeCloud {
    Paths evicted;
    int polls = 0;
    int uploadedAfterPolls = 0; // "up" files finish uploading after this many looks

    ExecutorEnvironment environment() {
        ExecutorEnvironment env = ExecutorEnvironment::live();
        env.canMakeOnlineOnly = [](const CloudProvider&) { return true; };
        env.cloudState = [this](const std::string& path) {
            ++polls;
            bool uploading = fs::path(path).filename().string().starts_with("up");
            return uploading && polls <= uploadedAfterPolls ? CloudItemState::uploading
                   : uploading && uploadedAfterPolls == 0   ? CloudItemState::notUploaded
                                                            : CloudItemState::uploaded;
        };
        env.evictICloud = [this](const std::string& path) {
            if (fs::path(path).filename().string().starts_with("stuck"))
                return false;
            evicted.push_back(path);
            return true;
        };
        env.pollInterval = std::chrono::milliseconds(1);
        return env;
    }
};

struct ExecutorOnlineOnly : ExecutorTest {
    CloudProvider drive{"Drive", tree.folder("Drive"), false};
};

} // namespace

TEST(ExecutorTool, RunsOnlyAbsoluteToolsOutsideTheSandboxAndReportsHowTheyEnded) {
    Paths ran;
    ToolCommand clean{"/usr/bin/apt-get", {"clean"}, "apt-get clean"};
    EXPECT_EQ(Executor::runTool(clean, false, toolEnvironment(0, "", 5000, &ran)),
              (ActionResult{{"apt-get clean"}, 5000, {}, {}, {}, {}}));
    EXPECT_EQ(ran, (Paths{"/usr/bin/apt-get", "clean"}));

    ran.clear();
    EXPECT_EQ(Executor::runTool(clean, true, toolEnvironment(0, "", 0, &ran)).error,
              "Not available in the sandboxed version");
    EXPECT_EQ(
        Executor::runTool({"apt-get", {}, "apt-get clean"}, false, toolEnvironment(0, "", 0, &ran))
            .error,
        "apt-get clean couldn't be found.");
    EXPECT_TRUE(ran.empty());

    EXPECT_EQ(
        Executor::runTool(clean, false, toolEnvironment(3, "working\nno space left\n\n  \n", -400)),
        ExecutorTest::failed("apt-get clean stopped with an error: no space left"))
        << "less free space is not a negative saving";
    EXPECT_EQ(Executor::runTool(clean, false, toolEnvironment(126, "", 0)).error,
              "apt-get clean stopped with an error.")
        << "only a tool run through pkexec has a password prompt to fail";

    EXPECT_EQ(Executor::runProcess("/bin/sh", {"-c", "echo out; echo err >&2; exit 4"}),
              (ProcessOutput{4, "out\nerr\n"}));
    EXPECT_EQ(Executor::runProcess("/no/such/tool", {}),
              (ProcessOutput{-1, "No such file or directory"}));

    // Applying a tool step runs it; a guide is never carried out.
    ExecutorEnvironment env = ExecutorEnvironment::live();
    EXPECT_EQ(Executor::apply(AdvisorAction::guide("https://example.com", "Do it."), false, env),
              ActionResult{});
    EXPECT_EQ(Executor::apply(AdvisorAction::runTool({"/bin/true", {}, "true"}), true, env).error,
              "Not available in the sandboxed version");
    EXPECT_EQ(
        Executor::apply(AdvisorAction::runTool({"/bin/true", {}, "true"}), false, env).applied,
        (Paths{"true"}));
}

// The session's home, as the desktop sees it, for the Trash and the executor alike.
TEST(ExecutorEnvironment, TheHomeFolderIsTheSessionsWhenItIsAbsolute) {
    std::string home = std::getenv("HOME");
    std::string data = std::getenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_HOME");
    std::string fromDatabase = platform::passwordHome().value_or("/");
    for (auto [value, expected] : {std::pair<const char*, std::string>{"/elsewhere", "/elsewhere"},
                                   {"relative/home", fromDatabase},
                                   {nullptr, fromDatabase}}) {
        SCOPED_TRACE(value ? value : "unset");
        value ? ::setenv("HOME", value, 1) : ::unsetenv("HOME");
        EXPECT_EQ(ExecutorEnvironment::live().home, expected);
        EXPECT_EQ(ExecutorEnvironment::live().trashFolder,
                  (fs::path(expected) / ".local/share/Trash/files").string());
    }
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
}

// Where the provider cannot keep files online-only here, nothing is touched and nothing waited
// for.
TEST_F(ExecutorOnlineOnly, EvictsUploadedFilesAndNamesTheRest) {
    std::string done = tree.file("Drive/set/done.mov", 40'000);
    ActionResult refused =
        Executor::apply(AdvisorAction::makeOnlineOnly({done}, drive), false, env);
    EXPECT_EQ(refused, failed("Drive can't keep files online-only on this computer, "
                              "so nothing was changed."));
    EXPECT_EQ(
        Executor::makeOnlineOnlyWhenUploaded({done}, drive, std::chrono::hours(6), false, env),
        refused);

    tree.file("Drive/set/up one.mov", 40'000);
    tree.file("Drive/set/up two.mov", 40'000);
    tree.sparseFile("Drive/set/online.mov", 40'000);
    std::string stuck = tree.file("Drive/stuck.mov", 40'000);
    std::string outside = tree.file("elsewhere.mov", 40'000);
    FakeCloud cloud;

    Executor::OnlineOnly result = Executor::makeOnlineOnly({tree.path("Drive/set"), stuck, outside},
                                                           drive, false, cloud.environment());
    EXPECT_EQ(result.result.applied, (Paths{tree.path("Drive/set")}));
    EXPECT_EQ(cloud.evicted, (Paths{done}));
    EXPECT_EQ(result.result.freedEstimate, allocatedBytes(done));
    EXPECT_EQ(result.waiting.size(), 2u);
    EXPECT_EQ(result.result.undo, UndoRecord::madeOnlineOnly({done}));
    EXPECT_EQ(result.result.error,
              "“elsewhere.mov” isn't in Drive. 2 files stayed on this computer because they "
              "haven't finished uploading to Drive. Drive didn't remove the local copy of "
              "“stuck.mov”.");
}

TEST_F(ExecutorOnlineOnly, WaitsForUploadsThenEvictsOrSaysWhatIsStillUploading) {
    std::string file = tree.file("Drive/up.mov", 40'000);
    FakeCloud finishing;
    finishing.uploadedAfterPolls = 5;
    ActionResult result = Executor::makeOnlineOnlyWhenUploaded(
        {file}, drive, std::chrono::seconds(10), false, finishing.environment());
    EXPECT_EQ(finishing.evicted, (Paths{file}));
    EXPECT_FALSE(result.pending);

    FakeCloud never;
    auto start = std::chrono::steady_clock::now();
    ActionResult waited = Executor::makeOnlineOnlyWhenUploaded(
        {file}, drive, std::chrono::milliseconds(30), false, never.environment());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(waited.pending,
              "1 file is still uploading to Drive and stay on this computer for now.");
    EXPECT_TRUE(never.evicted.empty());
    EXPECT_TRUE(Executor::makeOnlineOnlyWhenUploaded({file}, drive, std::chrono::hours(6), false,
                                                     never.environment(), [] { return true; })
                    .pending)
        << "a cancelled wait ends at once";
}
