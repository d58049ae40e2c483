#include "executor/Executor.h"
#include "support/TemporaryFolder.h"
#include "support/TmpfsMount.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace tavelin;
namespace fs = std::filesystem;
using test::contentOf;

namespace {

// A live environment on a fixed day, for a computer called "Ann's PC/2: home", with the home
// folder given.
ExecutorEnvironment archiveEnvironment(const std::string& home) {
    ExecutorEnvironment env = ExecutorEnvironment::live();
    env.home = home;
    env.macName = [] { return std::string("Ann's PC/2: home"); };
    env.now = [] { return *localDate(2025, 3, 9, 12, 0, 0); };
    return env;
}

constexpr const char* kBatch = "From Ann's PC-2- home 2025-03-09";

// Another drive: a file system of its own mounted at `mountPoint`.
std::unique_ptr<test::TmpfsMount> driveAt(const fs::path& mountPoint, int64_t bytes = 64 << 20) {
    return std::make_unique<test::TmpfsMount>(mountPoint, bytes);
}

// Every entry below a folder, for checking that nothing is left half-made.
std::vector<std::string> everything(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        found.push_back(entry.path().lexically_relative(folder).string());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

TEST(ExecutorArchive, CopiesVerifiesThenTrashesAndUndoesInReverse) {
    test::TemporaryFolder folder;
    auto mounted = driveAt(folder.path() / "drive");
    if (!mounted->mounted())
        GTEST_SKIP() << mounted->whyNot();
    test::TreeBuilder home(folder.path() / "home");
    std::string movie = home.file("Movies/trip.mov", 400'000);
    std::string project = home.folder("Work/old project");
    home.file("Work/old project/notes.txt", "plans");
    home.symlink("notes.txt", "Work/old project/latest");
    ::chmod((project + "/notes.txt").c_str(), 0640);
    ::setxattr((project + "/notes.txt").c_str(), "user.tag", "blue", 4, 0);
    struct timespec times[2] = {{1'600'000'000, 0}, {1'500'000'000, 0}};
    ::utimensat(AT_FDCWD, (project + "/notes.txt").c_str(), times, AT_SYMLINK_NOFOLLOW);
    std::string drive = mounted->string();
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    int64_t expected = Executor::uniqueBytes(movie) + Executor::uniqueBytes(project);

    ActionResult result =
        Executor::archive({movie, project}, ArchiveDestination::drive(drive), false, env);
    EXPECT_FALSE(result.error) << *result.error;
    std::string base = drive + "/" + kBatch;
    std::string movieCopy = base + "/Movies/trip.mov";
    std::string projectCopy = base + "/Work/old project";
    EXPECT_EQ(result.archived, (std::vector<std::string>{movieCopy, projectCopy}));
    EXPECT_EQ(result.applied, (std::vector<std::string>{movie, project}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_EQ(everything(base),
              (std::vector<std::string>{"Movies", "Movies/trip.mov", "Work", "Work/old project",
                                        "Work/old project/latest", "Work/old project/notes.txt"}));
    struct stat copied;
    ASSERT_EQ(::lstat((projectCopy + "/notes.txt").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 07777, 0640u);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1'500'000'000);
    char tag[8] = {};
    EXPECT_EQ(::getxattr((projectCopy + "/notes.txt").c_str(), "user.tag", tag, sizeof tag), 4);
    EXPECT_STREQ(tag, "blue");
    EXPECT_EQ(fs::read_symlink(projectCopy + "/latest"), "notes.txt");
    EXPECT_FALSE(fs::exists(movie));

    ASSERT_TRUE(result.undo);
    const auto& record = std::get<UndoRecord::Archived>(result.undo->value);
    EXPECT_EQ(record.copies, result.archived);
    EXPECT_EQ(test::readTrashInfo(test::infoFileOf(record.trashed[0].trashed))->path, movie);

    EXPECT_EQ(Executor::undo(*result.undo, env), std::nullopt);
    EXPECT_EQ(contentOf(movie).size(), 400'000u);
    EXPECT_EQ(contentOf(project + "/notes.txt"), "plans");
    EXPECT_FALSE(fs::exists(movieCopy)) << "the copy went to the Trash once its original was back";
}

TEST(ExecutorArchive, NamesWhatItCouldNotCopyAndKeepsTheOriginal) {
    test::TemporaryFolder folder;
    test::TreeBuilder home(folder.path() / "home");
    std::string drive = (folder.path() / "drive").string();
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    EXPECT_EQ(Executor::archive({home.file("a", 10)}, ArchiveDestination::drive(drive), false, env),
              (ActionResult{{}, 0, {}, "The drive isn't connected.", {}, {}}));

    auto mounted = driveAt(drive);
    if (!mounted->mounted())
        GTEST_SKIP() << mounted->whyNot();
    std::string photo = home.file("Pictures/cat.jpg", "new cat");
    home.file("../drive/" + std::string(kBatch) + "/Pictures/cat.jpg", "old cat");
    ActionResult result = Executor::archive({photo, home.path("missing"), "/proc/self/mountinfo"},
                                            ArchiveDestination::drive(drive), false, env);
    EXPECT_EQ(result.error,
              "“missing” couldn't be copied, so it stayed where it was. "
              "The copy of “mountinfo” didn't match the original, so the original stayed.");
    std::string base = drive + "/" + kBatch;
    EXPECT_EQ(result.archived, (std::vector<std::string>{base + "/Pictures/cat 2.jpg"}));
    EXPECT_EQ(contentOf(base + "/Pictures/cat 2.jpg"), "new cat");
    EXPECT_EQ(contentOf(base + "/Pictures/cat.jpg"), "old cat");
    EXPECT_FALSE(fs::exists(base + "/proc/self/mountinfo")) << "a mismatching copy goes again";
    EXPECT_EQ(everything(base + "/proc"), (std::vector<std::string>{"self"}));
}

// Checked when the step runs, not only when the folder was chosen: by then the drive may be
// gone (its mount point is an empty folder on the system disk), read-only or too full.
TEST(ExecutorArchive, RefusesADriveThatIsNotAnotherWritableDiskWithRoom) {
    test::TemporaryFolder folder;
    test::TreeBuilder home(folder.path() / "home");
    std::string movie = home.file("old.mov", 3 << 20);
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    auto refused = [&](const std::string& drive) {
        ActionResult result = Executor::apply(
            AdvisorAction::archive({movie}, ArchiveDestination::drive(drive)), false, env);
        EXPECT_TRUE(result.applied.empty() && result.archived.empty() && !result.undo);
        EXPECT_EQ(contentOf(movie).size(), static_cast<size_t>(3 << 20));
        return result.error.value_or("");
    };
    std::string unmounted = home.folder("../media/usb");
    EXPECT_EQ(refused(unmounted), "“usb” is on the same disk as “old.mov”, so moving there "
                                  "would free nothing and nothing was moved.");
    EXPECT_TRUE(fs::is_empty(unmounted));
    EXPECT_EQ(refused(home.folder("Backups")), "“Backups” is on the same disk as “old.mov”, so "
                                               "moving there would free nothing and nothing was "
                                               "moved.");

    test::TmpfsMount small(folder.path() / "small", 1 << 20);
    if (!small.mounted())
        GTEST_SKIP() << small.whyNot();
    EXPECT_EQ(refused(small.string()),
              "“small” has 1 MB free, but “old.mov” needs 3.1 MB, so nothing was moved.");
    ASSERT_TRUE(small.setReadOnly(true));
    EXPECT_EQ(refused(small.string()), "Tavelin can't write to “small”, so nothing was moved.");
    EXPECT_TRUE(fs::is_empty(small.path()));
}

TEST(ExecutorArchive, ADriveThatFillsUpKeepsTheOriginalsAndLeavesNoPartialCopy) {
    test::TemporaryFolder folder;
    test::TmpfsMount drive(folder.path() / "drive", 1 << 20);
    if (!drive.mounted())
        GTEST_SKIP() << drive.whyNot();
    test::TreeBuilder home(folder.path() / "home");
    std::string small = home.file("small.txt", "fits");
    // Its holes take no room here, so it passes the check of room, but the copy writes them out.
    std::string big = home.sparseFile("big.bin", 3 << 20);
    ExecutorEnvironment env = archiveEnvironment(home.root().string());

    ActionResult result =
        Executor::archive({big, small}, ArchiveDestination::drive(drive.string()), false, env);
    EXPECT_EQ(result.error, "“big.bin” couldn't be copied, so it stayed where it was.");
    EXPECT_EQ(result.applied, (std::vector<std::string>{small}));
    EXPECT_EQ(fs::file_size(big), static_cast<uintmax_t>(3 << 20));
    EXPECT_EQ(everything(drive.path()),
              (std::vector<std::string>{kBatch, std::string(kBatch) + "/small.txt"}))
        << "the partial copy is gone";
}

TEST(ExecutorArchive, CloudDestinationsNeedAProviderThatCanGoOnlineOnly) {
    test::TemporaryFolder folder;
    test::TreeBuilder home(folder.path());
    std::string file = home.file("video.mp4", 1000);
    CloudProvider dropbox{"Dropbox", home.folder("Dropbox"), false};
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    ActionResult refused =
        Executor::archive({file}, ArchiveDestination::cloud(dropbox), false, env);
    EXPECT_EQ(refused, (ActionResult{{},
                                     0,
                                     {},
                                     "Moving files to Dropbox wouldn't free space on "
                                     "this computer, so nothing was moved.",
                                     {},
                                     {}}));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(fs::is_empty(dropbox.root));

    env.canMakeOnlineOnly = [](const CloudProvider&) { return true; };
    ActionResult result = Executor::archive({file}, ArchiveDestination::cloud(dropbox), false, env);
    EXPECT_EQ(result.archived, (std::vector<std::string>{dropbox.root + "/Archived by Tavelin/" +
                                                         kBatch + "/video.mp4"}));
    EXPECT_EQ(result.pending, "Uploading to Dropbox. Tavelin makes the archived files "
                              "online-only once the upload finishes.");
}

// Every item is copied before any original moves, so an edit made while the step runs is seen
// when that original's turn comes.
TEST(ExecutorArchive, AnOriginalChangedAfterItWasCopiedStaysWithItsCopy) {
    test::TemporaryFolder folder;
    auto mounted = driveAt(folder.path() / "drive");
    if (!mounted->mounted())
        GTEST_SKIP() << mounted->whyNot();
    test::TreeBuilder home(folder.path() / "home");
    std::string first = home.file("first.txt", "one");
    std::string track = home.file("album/track", "two");
    std::string notes = home.file("notes.txt", "three");
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    auto trash = env.trash;
    env.trash = [&](const std::string& path) {
        if (path == first) {
            home.file("album/track", "two, mixed again");
            home.file("notes.txt", "three and more");
        }
        return trash(path);
    };
    ActionResult result =
        Executor::apply(AdvisorAction::archive({first, home.path("album"), notes},
                                               ArchiveDestination::drive(mounted->string())),
                        false, env);
    EXPECT_EQ(result.applied, (std::vector<std::string>{first}));
    ASSERT_EQ(result.archived.size(), 3u);
    EXPECT_EQ(result.error, "“album” and “notes.txt” changed after it was copied, so they "
                            "stayed, and so did their copies.");
    EXPECT_EQ(contentOf(track), "two, mixed again");
    EXPECT_EQ(contentOf(notes), "three and more");
    EXPECT_EQ(contentOf(result.archived[1] + "/track"), "two");
}

TEST(ExecutorArchive, UndoLeavesTheCopyWhereTheOriginalCannotComeBack) {
    test::TemporaryFolder folder;
    auto mounted = driveAt(folder.path() / "drive");
    if (!mounted->mounted())
        GTEST_SKIP() << mounted->whyNot();
    test::TreeBuilder home(folder.path() / "home");
    ExecutorEnvironment env = archiveEnvironment(home.root().string());
    ActionResult result =
        Executor::archive({home.file("a.txt", "a"), home.file("b.txt", "b")},
                          ArchiveDestination::drive(mounted->string()), false, env);
    ASSERT_EQ(result.applied.size(), 2u);
    home.file("a.txt", "a new a");
    std::vector<std::string> trashedCopies;
    env.trash = [&](const std::string& path) -> std::optional<std::string> {
        trashedCopies.push_back(path);
        return std::nullopt;
    };
    EXPECT_EQ(Executor::undo(*result.undo, env),
              "Something new is already where “a.txt” was, so it stayed in the Trash. "
              "The archived copy of b.txt couldn't be moved to the Trash.");
    EXPECT_EQ(trashedCopies, (std::vector<std::string>{result.archived[1]}));
    EXPECT_EQ(contentOf(result.archived[0]), "a") << "its original is only in the Trash";
    EXPECT_EQ(contentOf(home.path("b.txt")), "b");
}
