// The item menu shared by the map and the table, and the info popover's texts.

#include "items/ItemMenu.h"

#include "app/ModelFixture.h"
#include "items/InfoButton.h"
#include "items/InfoPopover.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <gmock/gmock.h>

using namespace tavelin;
using testing::StartsWith;

namespace {

class ItemMenuTest : public test::ModelFixture {
protected:
    void SetUp() override {
        ModelFixture::SetUp();
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

TEST_F(ItemMenuTest, OffersWhatEachItemAllowsActsOnTheClickedItemsAndThePopoverExplains) {
    EXPECT_EQ(entries({movies}), (QStringList{"Open", "Rescan", "Show in File Manager", "Preview",
                                              "Copy Path", "Move to Trash…"}));
    EXPECT_EQ(entries({notes}),
              (QStringList{"Show in File Manager", "Preview", "Copy Path", "Move to Trash…"}));
    EXPECT_TRUE(entry("Move to Trash…")->isEnabled());
    root->smallFileCount = 2;
    root->smallFileSize = 500'000;
    ASSERT_EQ(root->items().back()->kind(), Node::Kind::smallFiles);
    EXPECT_FALSE(entries({root->items().back()}).contains("Preview"))
        << "the small files of a folder are nothing to preview";
    EXPECT_FALSE(entry("Move to Trash…")->isEnabled()) << "nor anything to move";
    entries({root});
    EXPECT_FALSE(entry("Move to Trash…")->isEnabled()) << "the scan's root stays";
    EXPECT_TRUE(entries({}).isEmpty());

    entries({notes, movies});
    entry("Preview")->trigger();
    EXPECT_EQ(model->previewURL(), QUrl::fromLocalFile("/fixture/notes"))
        << "the clicked item, selected or not";
    entries({movies, notes});
    entry(QStringLiteral("Copy Path"))->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("/fixture/Movies\n/fixture/notes"));
    entry(QStringLiteral("Show in File Manager"))->trigger();
    EXPECT_EQ(revealed, (std::vector<std::string>{"/fixture/Movies", "/fixture/notes"}));
    entries({movies});
    entry("Open")->trigger();
    EXPECT_EQ(model->current(), movies);

    // Show in Map, only for a search result.
    model->setSearchText(QStringLiteral("clip"));
    EXPECT_TRUE(entries({clip}).contains(QStringLiteral("Show in Map")));
    EXPECT_FALSE(entries({notes}).contains(QStringLiteral("Show in Map")));
    entries({clip});
    entry(QStringLiteral("Show in Map"))->trigger();
    EXPECT_EQ(model->current(), movies);
    EXPECT_EQ(model->selection(), NodeSet{clip});

    // The info popover explains pseudo nodes and skipped or unreadable folders.
    EXPECT_FALSE(InfoPopover::explains(*root));
    EXPECT_FALSE(InfoPopover::explains(*notes));
    auto disk = Node::makeRoot("disk", "/", 10'000'000);
    EXPECT_TRUE(InfoPopover::explains(*disk->remainder()));
    disk->isScanning = true;
    // The title and the paragraphs, one a line; the tests name the first ones.
    auto text = [&](const Node& node) {
        auto content = InfoPopover::contentFor(*model, node);
        return (QStringList{content.title} + content.paragraphs).join('\n').toStdString();
    };
    EXPECT_THAT(text(*disk->remainder()),
                StartsWith("Not scanned yet\n10 MB of this disk’s used space not scanned yet."));
    disk->isScanning = false;
    auto content = InfoPopover::contentFor(*model, *disk->remainder());
    EXPECT_EQ(content.title, QStringLiteral("Other used space"));
    EXPECT_EQ(content.reasons.size(), 3)
        << "without a scan, no skipped or unreadable items to name";

    auto mail = folder(root, "Mail %1");
    mail->needsAccess = true;
    EXPECT_TRUE(InfoPopover::explains(*mail));
    EXPECT_THAT(text(*mail),
                StartsWith("Skipped: protected folder\nThe system protects “Mail %1”. Without "
                           "access to protected folders, reading it would make the system ask "
                           "you for permission, so Tavelin left it out of this scan."));
    EXPECT_TRUE(InfoPopover::contentFor(*model, *mail).offersAccess);

    auto locked = folder(root, "locked");
    locked->isUnreadable = true;
    EXPECT_TRUE(InfoPopover::explains(*locked));
    EXPECT_EQ(InfoButton::help(*locked), QStringLiteral("Why was this skipped?"));
    EXPECT_THAT(text(*locked),
                StartsWith("Couldn’t be read\nTavelin couldn’t read “locked”: No such file or "
                           "directory."))
        << "what reading it meets now";
    EXPECT_FALSE(InfoPopover::contentFor(*model, *locked).offersAccess);

    root->smallFileCount = 4;
    root->smallFileSize = 2'000'000;
    root->smallFileUnique = 1'500'000;
    auto items = root->items();
    auto small = std::ranges::find(items, Node::Kind::smallFiles, &Node::kind);
    ASSERT_NE(small, items.end());
    EXPECT_THAT(text(**small),
                StartsWith("4 smaller files\n4 small files lie directly in “root”, 500 KB each on "
                           "average.\n500 KB of them is shared with copies."));
}
