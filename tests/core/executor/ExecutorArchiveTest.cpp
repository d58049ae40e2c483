#include "ExecutorTest.h"
#include "support/TmpfsMount.h"

using namespace tavelin;
using namespace tavelin::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBatch = "From Ann's PC-2- home 2025-03-09";

// Every entry below a folder, for checking that nothing is left half-made.
Paths everything(const fs::path& folder) {
    Paths found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        found.push_back(entry.path().lexically_relative(folder).string());
    std::sort(found.begin(), found.end());
    return found;
}

// A home folder, another drive of 64 MB and a live environment on a fixed day, for a computer
// called "Ann's PC/2: home".
struct ExecutorArchive : ExecutorTest {
    void SetUp() override {
        env.home = home.root().string();
        env.macName = [] { return std::string("Ann's PC/2: home"); };
        env.now = [] { return *localDate(2025, 3, 9, 12, 0, 0); };
    }
    ActionResult archive(const Paths& items, const std::string& destination) {
        return Executor::apply(
            AdvisorAction::archive(items, ArchiveDestination::drive(destination)), false, env);
    }

    TreeBuilder home{folder.path() / "home"};
    TmpfsMount drive{folder.path() / "drive", 64 << 20};
    std::string batch = drive.string() + "/" + kBatch;
};

} // namespace

TEST_F(ExecutorArchive, CopiesVerifiesThenTrashesAndUndoesInReverse) {
    TAVELIN_SKIP_UNLESS_MOUNTED(drive);
    std::string movie = home.file("Movies/trip.mov", 400'000);
    std::string project = home.folder("Work/old project");
    std::string notes = home.file("Work/old project/notes.txt", "plans");
    home.symlink("notes.txt", "Work/old project/latest");
    int64_t expected = Executor::uniqueBytes(movie) + Executor::uniqueBytes(project);

    ActionResult result = archive({movie, project}, drive.string());
    EXPECT_FALSE(result.error) << *result.error;
    std::string projectCopy = batch + "/Work/old project";
    EXPECT_EQ(result.archived, (Paths{batch + "/Movies/trip.mov", projectCopy}));
    EXPECT_EQ(result.applied, (Paths{movie, project}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_EQ(everything(batch), (Paths{"Movies", "Movies/trip.mov", "Work", "Work/old project",
                                        "Work/old project/latest", "Work/old project/notes.txt"}));
    // Modes, times and attributes come with the copy itself (platform ItemCopy).
    EXPECT_EQ(contentOf(projectCopy + "/notes.txt"), "plans");
    EXPECT_EQ(fs::read_symlink(projectCopy + "/latest"), "notes.txt");
    EXPECT_FALSE(fs::exists(movie));
    const auto& record = std::get<UndoRecord::Archived>(result.undo->value);
    EXPECT_EQ(record.copies, result.archived);
    EXPECT_EQ(readTrashInfo(infoFileOf(record.trashed[0].trashed))->path, movie);

    EXPECT_EQ(Executor::undo(*result.undo, env), std::nullopt);
    EXPECT_EQ(contentOf(movie).size(), 400'000u);
    EXPECT_EQ(contentOf(notes), "plans");
    EXPECT_FALSE(fs::exists(result.archived[0]))
        << "the copy went to the Trash once its original was back";
}

TEST_F(ExecutorArchive, NamesWhatItCouldNotCopyAndKeepsTheOriginalAndItsCopyOnUndo) {
    EXPECT_EQ(archive({home.file("a", 10)}, folder.string() + "/unplugged"),
              failed("The drive isn't connected."));
    TAVELIN_SKIP_UNLESS_MOUNTED(drive);
    std::string photo = home.file("Pictures/cat.jpg", "new cat");
    std::string notes = home.file("notes.txt", "notes");
    home.file("../drive/" + std::string(kBatch) + "/Pictures/cat.jpg", "old cat");
    ActionResult result =
        archive({photo, home.path("missing"), "/proc/self/mountinfo", notes}, drive.string());
    EXPECT_EQ(result.error,
              "“missing” couldn't be copied, so it stayed where it was. "
              "The copy of “mountinfo” didn't match the original, so the original stayed.");
    EXPECT_EQ(result.archived, (Paths{batch + "/Pictures/cat 2.jpg", batch + "/notes.txt"}));
    EXPECT_EQ(contentOf(batch + "/Pictures/cat 2.jpg"), "new cat");
    EXPECT_EQ(contentOf(batch + "/Pictures/cat.jpg"), "old cat");
    EXPECT_EQ(everything(batch + "/proc"), (Paths{"self"})) << "a mismatching copy goes again";

    // Undo leaves the copy where its original cannot come back.
    home.file("Pictures/cat.jpg", "another cat");
    Paths trashedCopies;
    env.trash = [&](const std::string& path) -> std::optional<std::string> {
        trashedCopies.push_back(path);
        return std::nullopt;
    };
    EXPECT_EQ(Executor::undo(*result.undo, env),
              "Something new is already where “cat.jpg” was, so it stayed in the Trash. "
              "The archived copy of notes.txt couldn't be moved to the Trash.");
    EXPECT_EQ(trashedCopies, (Paths{result.archived[1]}));
    EXPECT_EQ(contentOf(result.archived[0]), "new cat") << "its original is only in the Trash";
    EXPECT_EQ(contentOf(notes), "notes");
}

// Checked when the step runs, not only when the folder was chosen: by then the drive may be
// gone (its mount point is an empty folder on the system disk), read-only or too full. A drive
// that fills up all the same (a sparse file passes the check of room) keeps the originals and
// leaves no partial copy.
TEST_F(ExecutorArchive, RefusesADriveThatIsNotAnotherWritableDiskWithRoom) {
    std::string movie = home.file("old.mov", 3 << 20);
    auto refused = [&](const std::string& destination) {
        ActionResult result = archive({movie}, destination);
        EXPECT_TRUE(result.applied.empty() && result.archived.empty() && !result.undo);
        EXPECT_EQ(contentOf(movie).size(), static_cast<size_t>(3 << 20));
        return result.error.value_or("");
    };
    std::string unmounted = home.folder("../media/usb");
    EXPECT_EQ(refused(unmounted), "“usb” is on the same disk as “old.mov”, so moving there "
                                  "would free nothing and nothing was moved.");
    EXPECT_TRUE(fs::is_empty(unmounted));

    TmpfsMount small(folder.path() / "small", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(small);
    EXPECT_EQ(refused(small.string()),
              "“small” has 1 MB free, but “old.mov” needs 3.1 MB, so nothing was moved.");
    std::string fits = home.file("small.txt", "fits");
    std::string sparse = home.sparseFile("big.bin", 3 << 20);
    ActionResult filled = archive({sparse, fits}, small.string());
    EXPECT_EQ(filled.error, "“big.bin” couldn't be copied, so it stayed where it was.");
    EXPECT_EQ(filled.applied, (Paths{fits}));
    EXPECT_EQ(fs::file_size(sparse), static_cast<uintmax_t>(3 << 20));
    EXPECT_EQ(everything(small.path()), (Paths{kBatch, std::string(kBatch) + "/small.txt"}))
        << "the partial copy is gone";
    fs::remove_all(small.path() / kBatch);
    ASSERT_TRUE(small.setReadOnly(true));
    EXPECT_EQ(refused(small.string()), "Tavelin can't write to “small”, so nothing was moved.");
}

TEST_F(ExecutorArchive, CloudDestinationsNeedAProviderThatCanGoOnlineOnly) {
    std::string file = home.file("video.mp4", 1000);
    CloudProvider dropbox{"Dropbox", home.folder("Dropbox"), false};
    EXPECT_EQ(
        Executor::archive({file}, ArchiveDestination::cloud(dropbox), false, env).error,
        "Moving files to Dropbox wouldn't free space on this computer, so nothing was moved.");
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(fs::is_empty(dropbox.root));

    env.canMakeOnlineOnly = [](const CloudProvider&) { return true; };
    ActionResult result = Executor::archive({file}, ArchiveDestination::cloud(dropbox), false, env);
    EXPECT_EQ(result.archived,
              (Paths{dropbox.root + "/Archived by Tavelin/" + kBatch + "/video.mp4"}));
    EXPECT_EQ(result.pending, "Uploading to Dropbox. Tavelin makes the archived files "
                              "online-only once the upload finishes.");
}

// Every item is copied before any original moves, so an edit made while the step runs is seen
// when that original's turn comes.
TEST_F(ExecutorArchive, AnOriginalChangedAfterItWasCopiedStaysWithItsCopy) {
    TAVELIN_SKIP_UNLESS_MOUNTED(drive);
    std::string first = home.file("first.txt", "one");
    std::string track = home.file("album/track", "two");
    std::string notes = home.file("notes.txt", "three");
    env.trash = [&, trash = env.trash](const std::string& path) {
        if (path == first) {
            home.file("album/track", "two, mixed again");
            home.file("notes.txt", "three and more");
        }
        return trash(path);
    };
    ActionResult result = archive({first, home.path("album"), notes}, drive.string());
    EXPECT_EQ(result.applied, (Paths{first}));
    ASSERT_EQ(result.archived.size(), 3u);
    EXPECT_EQ(result.error, "“album” and “notes.txt” changed after it was copied, so they "
                            "stayed, and so did their copies.");
    EXPECT_EQ(contentOf(track), "two, mixed again");
    EXPECT_EQ(contentOf(notes), "three and more");
    EXPECT_EQ(contentOf(result.archived[1] + "/track"), "two");
}
