#include "widgets/SandboxAccess.h"

#include "support/Forked.h"
#include "support/TemporaryFolder.h"
#include "widgets/SettingsKeys.h"

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavelin;
namespace fs = std::filesystem;

namespace {

struct Question {
    std::string folder;
    QString message;
};

class SandboxAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().remove(SettingsKeys::sandboxBookmarks);
        SandboxAccess::resetForTesting(true,
                                       [this](const std::string& folder, const QString& message) {
                                           asked.push_back({folder, message});
                                           return answer;
                                       });
    }
    void TearDown() override {
        QSettings().remove(SettingsKeys::sandboxBookmarks);
        SandboxAccess::resetForTesting(false, {});
    }

    std::string folder(const std::string& relative) {
        fs::path path = root.path() / relative;
        fs::create_directories(path);
        return path.string();
    }
    // What the next launch finds: nothing granted until the bookmarks are restored.
    void relaunch() {
        SandboxAccess::resetForTesting(true, {});
        SandboxAccess::restore();
    }
    static std::vector<std::string> stored() {
        std::vector<std::string> paths;
        for (const QVariant& bookmark : QSettings().value(SettingsKeys::sandboxBookmarks).toList())
            paths.push_back(bookmark.toByteArray().toStdString());
        return paths;
    }

    test::TemporaryFolder root{"tavelin-sandbox"};
    std::vector<Question> asked;
    std::optional<std::string> answer;
};

} // namespace

TEST_F(SandboxAccessTest, AGrantCoversItsFolderAndWhatLiesInsideOnAComponentBoundary) {
    std::string granted = folder("a/b");
    folder("a/bc");
    EXPECT_FALSE(SandboxAccess::canRead(granted)) << "nothing is granted at first";

    SandboxAccess::remember(granted);
    EXPECT_TRUE(SandboxAccess::canRead(granted) && SandboxAccess::canRead(granted + "/c/d"));
    EXPECT_FALSE(SandboxAccess::canRead(granted + "c")) << "a sibling whose name merely begins so";
    EXPECT_FALSE(SandboxAccess::canRead(root.string() + "/a"));

    SandboxAccess::remember("/");
    EXPECT_TRUE(SandboxAccess::canRead("/etc")) << "the whole disk";

    std::vector<std::string> remembered = stored();
    SandboxAccess::resetForTesting(false, {});
    EXPECT_TRUE(SandboxAccess::canRead("/etc")) << "outside the sandbox everything is readable";
    SandboxAccess::remember(granted);
    EXPECT_EQ(stored(), remembered) << "and nothing more is remembered";
}

TEST_F(SandboxAccessTest, RequestAsksOnlyForWhatIsNotGrantedAndAnswersWhetherItNowIs) {
    std::string parent = folder("Projects");
    std::string inside = folder("Projects/app");
    std::string other = folder("Other");

    EXPECT_FALSE(SandboxAccess::request(inside)) << "declined";
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].folder, inside);
    EXPECT_EQ(asked[0].message, "To measure “app”, Tavelin needs your permission. Click Allow. "
                                "Tavelin remembers it, so you’re asked once.");
    EXPECT_TRUE(SandboxAccess::granted().empty());

    answer = other;
    EXPECT_FALSE(SandboxAccess::request(inside)) << "the folder picked does not hold the path";
    EXPECT_TRUE(SandboxAccess::canRead(other)) << "but what was picked is granted";

    answer = parent;
    EXPECT_TRUE(SandboxAccess::request(inside));
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_TRUE(SandboxAccess::request(inside + "/src"));
    EXPECT_EQ(asked.size(), 3u) << "inside a granted folder nothing is asked";
    EXPECT_EQ(stored(), (std::vector<std::string>{other, parent}));

    answer = root.string() + "/gone";
    EXPECT_FALSE(SandboxAccess::request(root.string())) << "a pick that vanished grants nothing";
    answer = "/";
    EXPECT_TRUE(SandboxAccess::request("/System/Volumes/Data/Users/me"));
    EXPECT_EQ(asked.back().folder, "/") << "the data volume asks for the whole disk";
    EXPECT_EQ(asked.back().message, "To measure your disk, Tavelin needs your permission. Click "
                                    "Allow. Tavelin remembers it, so you’re asked once.");
}

TEST_F(SandboxAccessTest, GrantsComeBackAtTheNextLaunchWhateverTheirNamesUnlessGone) {
    std::string plain = folder("plain");
    std::string odd = folder("line\nbreak \xff\xfe “quoted”");
    std::string removed = folder("removed");
    std::string replaced = folder("replaced");
    for (const std::string& path : {plain, removed, odd, replaced, plain})
        SandboxAccess::remember(path);
    fs::remove(removed);
    fs::remove(replaced);
    std::ofstream(replaced) << "now a file";
    QVariantList bookmarks = QSettings().value(SettingsKeys::sandboxBookmarks).toList();
    bookmarks.append(QString::fromStdString(plain + "/text"));
    bookmarks.append(QByteArray::fromStdString(plain + std::string(1, '\0') + "/hidden"));
    QSettings().setValue(SettingsKeys::sandboxBookmarks, bookmarks);

    relaunch();
    // Oldest first, a folder granted twice listed twice; a path cut short at a NUL byte would
    // lead to another folder.
    EXPECT_EQ(SandboxAccess::granted(), (std::vector<std::string>{plain, odd, plain}));
    EXPECT_TRUE(SandboxAccess::canRead(odd + "/x"));
    EXPECT_EQ(stored(), (std::vector<std::string>{plain, odd, plain}));

    QSettings().setValue(SettingsKeys::sandboxBookmarks, QByteArray::fromStdString(plain));
    relaunch();
    EXPECT_TRUE(SandboxAccess::granted().empty()) << "a single bookmark is not a list of them";
    SandboxAccess::resetForTesting(true, {});
    SandboxAccess::remember(plain);
    EXPECT_EQ(stored(), std::vector<std::string>{plain}) << "and is replaced by the new one";
}

TEST_F(SandboxAccessTest, RestoringForgetsAFolderThatCannotBeOpened) {
    // As another user, for whom a folder only root may read cannot be opened.
    std::string open = folder("open");
    std::string locked = folder("locked");
    std::string settings = folder("settings");
    ::chmod(root.path().c_str(), 0755);
    ::chmod(open.c_str(), 0755);
    ::chmod(locked.c_str(), 0700);
    ::chmod(settings.c_str(), 0777);
    int status = test::runForked(
        [&] {
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                               QString::fromStdString(settings));
            SandboxAccess::remember(open);
            SandboxAccess::remember(locked);
            if (stored() != std::vector<std::string>{open, locked})
                return 3;
            relaunch();
            if (SandboxAccess::granted() != std::vector<std::string>{open})
                return 4;
            return stored() == std::vector<std::string>{open} ? 0 : 5;
        },
        test::kNobody);
    EXPECT_EQ(status, 0);
}
