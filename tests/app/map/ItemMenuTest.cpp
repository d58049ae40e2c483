// The item menu shared by the map and the table, and the info popover's texts.

#include "window/ItemMenu.h"

#include "MapFixture.h"
#include "window/InfoPopover.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

using namespace tavelin;

namespace {

class ItemMenuTest : public test::MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        root = Node::makeRoot("root", "/fixture");
        movies = folder(root, "Movies");
        clip = file(movies, "clip.mov", 3'000'000);
        notes = file(root, "notes", 1'000'000);
        model = makeModel();
        model->open(root);
    }

    QStringList entries(const std::vector<Node::Ptr>& nodes) {
        menu = std::make_unique<QMenu>();
        ItemMenu::fill(*menu, *model, nodes);
        QStringList texts;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        return texts;
    }

    QAction* entry(const QString& text) {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    Node::Ptr root, movies, clip, notes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<QMenu> menu;
};

} // namespace

TEST_F(ItemMenuTest, OffersOpenOnlyForFolders) {
    EXPECT_EQ(entries({movies}),
              (QStringList{QStringLiteral("Open"), QStringLiteral("Rescan"),
                           QStringLiteral("Show in File Manager"), QStringLiteral("Copy Path")}));
    EXPECT_EQ(entries({notes}),
              (QStringList{QStringLiteral("Show in File Manager"), QStringLiteral("Copy Path")}));
    EXPECT_TRUE(entries({}).isEmpty());
    entries({movies});
    entry(QStringLiteral("Open"))->trigger();
    EXPECT_EQ(model->current(), movies);
}

TEST_F(ItemMenuTest, ShowInMapOnlyForASearchResult) {
    model->setSearchText(QStringLiteral("clip"));
    EXPECT_TRUE(entries({clip}).contains(QStringLiteral("Show in Map")));
    EXPECT_FALSE(entries({notes}).contains(QStringLiteral("Show in Map")));
    entries({clip});
    entry(QStringLiteral("Show in Map"))->trigger();
    EXPECT_EQ(model->current(), movies);
    EXPECT_EQ(model->selection(), NodeSet{clip});
}

TEST_F(ItemMenuTest, CopiesPathsAndRevealsTheNodes) {
    entries({movies, notes});
    entry(QStringLiteral("Copy Path"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("/fixture/Movies\n/fixture/notes"));
    entry(QStringLiteral("Show in File Manager"))->trigger();
    EXPECT_EQ(revealed, (std::vector<std::string>{"/fixture/Movies", "/fixture/notes"}));
}

TEST(InfoPopover, ExplainsPseudoNodesAndSkippedFoldersOnly) {
    auto root = Node::makeRoot("disk", "/", 10'000'000);
    auto skipped = Node::make("Mail", Node::Kind::directory);
    skipped->needsAccess = true;
    EXPECT_TRUE(InfoPopover::explains(*root->remainder()));
    EXPECT_TRUE(InfoPopover::explains(*skipped));
    EXPECT_FALSE(InfoPopover::explains(*root));
    EXPECT_FALSE(InfoPopover::explains(*Node::make("f", Node::Kind::file)));
}

TEST_F(ItemMenuTest, PopoverTextsFollowTheItem) {
    auto disk = Node::makeRoot("disk", "/", 10'000'000);
    disk->isScanning = true;
    auto content = InfoPopover::contentFor(*model, *disk->remainder());
    EXPECT_EQ(content.title, QStringLiteral("Not scanned yet"));
    EXPECT_EQ(content.paragraphs.front(),
              QStringLiteral("10 MB of this disk’s used space not scanned yet."));
    disk->isScanning = false;
    content = InfoPopover::contentFor(*model, *disk->remainder());
    EXPECT_EQ(content.title, QStringLiteral("Other used space"));
    EXPECT_TRUE(content.reasons.contains(QStringLiteral("Local Time Machine snapshots")));

    auto mail = folder(root, "Mail");
    mail->needsAccess = true;
    content = InfoPopover::contentFor(*model, *mail);
    EXPECT_EQ(content.title, QStringLiteral("Skipped: protected folder"));
    EXPECT_EQ(content.paragraphs.front(),
              QStringLiteral("macOS protects “Mail”. Without Full Disk Access, reading it would "
                             "make macOS ask you for permission, so Tavelin left it out of this "
                             "scan."));
    EXPECT_TRUE(content.offersAccess);

    root->smallFileCount = 4;
    root->smallFileSize = 2'000'000;
    root->smallFileUnique = 1'500'000;
    Node::Ptr small;
    for (const auto& item : root->items())
        if (item->kind() == Node::Kind::smallFiles)
            small = item;
    ASSERT_TRUE(small);
    content = InfoPopover::contentFor(*model, *small);
    EXPECT_EQ(content.title, QStringLiteral("4 smaller files"));
    EXPECT_EQ(content.paragraphs.at(0),
              QStringLiteral("4 small files lie directly in “root”, 500 KB each on average."));
    EXPECT_EQ(content.paragraphs.at(1), QStringLiteral("500 KB of them is shared with copies."));
}
