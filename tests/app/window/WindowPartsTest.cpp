#include "app/ModelFixture.h"
#include "items/InfoButton.h"
#include "items/InfoPopover.h"
#include "map/EmptyFolderView.h"
#include "util/Format.h"
#include "window/DroppedFolder.h"
#include "window/LocationRow.h"
#include "window/MainWindow.h"
#include "window/QuickPreview.h"
#include "window/SharingExplainer.h"
#include "window/SidebarView.h"
#include "window/StatusLine.h"
#include "window/TavelinCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <fstream>

using namespace tavelin;

using WindowParts = test::ModelFixture;

namespace {

std::optional<int> tileIndexOf(AppModel& model, const std::string& name) {
    const auto& tiles = model.tiles(800, 600);
    for (size_t i = 0; i < tiles.size(); ++i)
        if (tiles[i].node() && tiles[i].node()->name == name)
            return static_cast<int>(i);
    return std::nullopt;
}

// Every text a widget and those inside it show: labels, buttons, actions and their help.
QStringList textsOf(const QWidget& root) {
    QStringList texts;
    for (const auto* label : root.findChildren<QLabel*>())
        texts << label->text() << label->toolTip();
    for (const auto* button : root.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (const auto* action : root.findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    return texts;
}

} // namespace

TEST_F(WindowParts, NoTextNamesWhatALinuxUserCannotFind) {
    tree.file("file", 2'000'000);
    tree.file("folder/data", 3'000'000);
    volumes.push_back(
        {tree.root().string(), "Disk", tree.root().string(), 10'000'000, 0, false, false});
    // A disk with every kind of volume and a snapshot, so that the Disk tab says all it can.
    diskBreakdown = DiskBreakdown{};
    diskBreakdown->capacity = 10'000'000;
    diskBreakdown->volumes = {{"/boot", {"Preboot"}, 100'000, "sda1"},
                              {"root", {"Data", "System"}, 5'000'000, "sda2"},
                              {"swap", {"VM"}, 1'000'000, "sda3"}};
    diskBreakdown->purgeable = 10'000;
    diskBreakdown->free = 3'000'000;
    diskBreakdown->snapshots = {std::chrono::system_clock::now()};
    MainWindow window(makeModel(), {});
    AppModel& model = window.model();
    ASSERT_TRUE(scanned(model, tree.root().string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.breakdown().breakdown().has_value(); }, 5000));
    Node::Ptr root = model.current();
    Node::Ptr protectedFolder = child(root, "folder");
    protectedFolder->needsAccess = true;
    protectedFolder->isUnreadable = true;
    root->smallFileCount = 3;
    root->smallFileSize = 3'000;

    QStringList shown = textsOf(window);
    for (const Node::Ptr& node : {root->remainder(), protectedFolder, root->items().back()}) {
        auto content = InfoPopover::contentFor(model, *node);
        shown << content.title << content.paragraphs << content.reasons << InfoButton::help(*node);
        shown << textsOf(InfoPopover(model, node, &window));
    }
    for (const char* name : {"Other used space", "folder"}) {
        ASSERT_TRUE(tileIndexOf(model, name)) << name;
        model.setHoverIndex(tileIndexOf(model, name));
        shown << statusLine(model);
    }
    auto empty = EmptyFolderView::textsFor(*protectedFolder);
    shown << empty.title << empty.description;
    shown << textsOf(SharingExplainer(model));

    const QRegularExpression macOnly(QStringLiteral(
        "macOS|\\bMac\\b|Finder|Full Disk Access|Time Machine|APFS|System Settings|Xcode|"
        "container|Preboot|sleep image"));
    ASSERT_TRUE(shown.contains(QStringLiteral("Data volume in use"))) << "the Disk tab is read";
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(macOnly)) << text.toStdString();
}

TEST_F(WindowParts, StatusLineFollowsHoverScanNoticeAndTheFinishedScan) {
    tree.file("big/file", 3'000'000);
    tree.file("other/file", 1'000'000);
    auto model = makeModel();
    EXPECT_EQ(statusLine(*model), "") << "nothing before any scan";
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_TRUE(statusLine(*model).startsWith("2 files in ")) << statusLine(*model).toStdString();
    EXPECT_TRUE(statusLine(*model).endsWith(" s"));

    model->setHoverIndex(tileIndexOf(*model, "big"));
    Node::Ptr big = test::ModelFixture::child(model->current(), "big");
    QString expected = QStringLiteral("big — ") + QString::fromStdString(formatBytes(big->size)) +
                       QStringLiteral(" · ");
    EXPECT_TRUE(statusLine(*model).startsWith(expected)) << statusLine(*model).toStdString();
    EXPECT_TRUE(statusLine(*model).endsWith("% of tree"));

    big->unique = big->size / 2;
    EXPECT_TRUE(statusLine(*model).contains(" on disk; deleting it frees "))
        << statusLine(*model).toStdString();
    big->needsAccess = true;
    EXPECT_EQ(statusLine(*model), "big — skipped, needs access to protected folders");

    model->setHoverIndex(std::nullopt);
    model->setNotice(QStringLiteral("Moved 2 items to the Trash."));
    EXPECT_EQ(statusLine(*model), "Moved 2 items to the Trash.");
}

TEST_F(WindowParts, StatusLineNamesTheRemainderWhileAndAfterScanning) {
    tree.file("file", 2'000'000);
    volumes.push_back(
        {tree.root().string(), "Disk", tree.root().string(), 100'000'000'000, 0, false, false});
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    auto rest = tileIndexOf(*model, "Other used space");
    ASSERT_TRUE(rest);
    model->setHoverIndex(rest);
    EXPECT_TRUE(statusLine(*model).startsWith("Other used space — "));
    EXPECT_TRUE(
        statusLine(*model).endsWith(": the system, snapshots, and folders that couldn’t be read"));
}

TEST(StatusLine, ElapsedTimeUsesSecondsThenMinutes) {
    EXPECT_EQ(elapsedText(4.24), "4.2 s");
    EXPECT_EQ(elapsedText(59.94), "59.9 s");
    EXPECT_EQ(elapsedText(60.0), "1 min 0 s");
    EXPECT_EQ(elapsedText(185.7), "3 min 5 s");
}

TEST_F(WindowParts, ReadOnlyDisksShowNoFreeSpaceBar) {
    volumes.push_back({"/", "Computer", "/", 500'000'000'000, 100'000'000'000, true, false});
    volumes.push_back({"/media/disc", "Disc", "/media/disc", 4'000'000'000, 0, false, true});
    auto model = makeModel();
    auto rows = locationRows(*model);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].detail, "100 GB free of 500 GB");
    EXPECT_DOUBLE_EQ(*rows[0].fraction, 0.8);
    EXPECT_EQ(rows[1].detail, "Read-only · 4 GB");
    EXPECT_FALSE(rows[1].fraction);
    EXPECT_EQ(rows[2].title, "Home folder");
    EXPECT_EQ(rows[2].scanPath, home.root().string());
}

TEST_F(WindowParts, TheChosenDiskIsHighlightedDownToItsDetailLine) {
    volumes.push_back({"/", "Computer", "/", 500'000'000'000, 100'000'000'000, true, false});
    auto model = makeModel();
    model->setSidebarSelection("/");
    SidebarView sidebar(*model);
    sidebar.resize(240, 300);
    QTreeWidgetItem* disk = sidebar.list().currentItem();
    ASSERT_TRUE(disk);
    ASSERT_EQ(disk->text(0), "Computer");
    QImage image(sidebar.size(), QImage::Format_ARGB32);
    sidebar.render(&image);
    QRect row = sidebar.list().visualItemRect(disk).translated(
        sidebar.list().viewport()->mapTo(&sidebar, QPoint()));
    // Right of the name and of the detail line and its bar, there is only the background.
    QColor title = image.pixelColor(row.right() - 2, row.top() + 3);
    QColor detail = image.pixelColor(row.right() - 2, row.bottom() - 8);
    EXPECT_NE(title, sidebar.palette().color(QPalette::Base));
    EXPECT_EQ(detail, title);
    // The disk is 80 % full: the bar's used part, at the bottom, stands out from the selection.
    bool barShows = false;
    for (int y = row.bottom() - 8; y <= row.bottom(); ++y)
        barShows = barShows || image.pixelColor(row.left() + 40, y) != title;
    EXPECT_TRUE(barShows);
}

TEST_F(WindowParts, CommandsFollowTheModelAndActOnlyInTheActiveWindow) {
    tree.file("a/file", 2'000'000);
    auto model = makeModel();
    QMainWindow window;
    TavelinCommands commands(*model, window);
    EXPECT_FALSE(commands.back->isEnabled());
    EXPECT_FALSE(commands.rescan->isEnabled());
    EXPECT_FALSE(commands.open->isEnabled());
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    model->open(test::ModelFixture::child(model->current(), "a"));
    EXPECT_TRUE(commands.back->isEnabled());
    EXPECT_TRUE(commands.enclosingFolder->isEnabled());
    EXPECT_FALSE(commands.moveToTrash->isEnabled());

    commands.back->trigger();
    EXPECT_EQ(model->current()->name, "a") << "an inactive window's command does nothing";
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    commands.back->trigger();
    EXPECT_EQ(model->current(), model->session()->root());
    EXPECT_FALSE(commands.back->isEnabled());
    EXPECT_TRUE(commands.forward->isEnabled());
}

TEST_F(WindowParts, ADroppedFolderIsScannedAndADroppedFileReadAsAScanFile) {
    std::string file = tree.file("plain.txt", 10);
    std::string folder = tree.folder("folder");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    EXPECT_TRUE(droppedFolder(data).isEmpty());
    EXPECT_EQ(droppedScanFile(data), QString::fromStdString(file));
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder)),
                  QUrl::fromLocalFile(QString::fromStdString(file))});
    EXPECT_EQ(droppedFolder(data), QString::fromStdString(folder));
    EXPECT_TRUE(droppedScanFile(data).isEmpty()) << "the first dropped item counts";
    data.setUrls({QUrl(QStringLiteral("https://example.org/x"))});
    EXPECT_TRUE(droppedFolder(data).isEmpty());
    EXPECT_TRUE(droppedScanFile(data).isEmpty());
}

TEST_F(WindowParts, QuickPreviewFollowsThePreviewLocation) {
    std::string notes = tree.file("notes.txt", 0);
    std::ofstream(notes) << "first line\nsecond line\n";
    std::string picture = tree.path("picture.png");
    QImage(40, 20, QImage::Format_RGB32).save(QString::fromStdString(picture));
    auto model = makeModel();
    QuickPreview preview(*model);

    model->setPreviewURL(QUrl::fromLocalFile(QString::fromStdString(notes)));
    ASSERT_TRUE(preview.isVisible());
    auto* text = preview.findChild<QPlainTextEdit*>();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(text->toPlainText().startsWith("first line"));

    model->setPreviewURL(QUrl::fromLocalFile(QString::fromStdString(picture)));
    EXPECT_FALSE(text->isVisible()) << "a picture shows as a picture";
    EXPECT_EQ(preview.windowTitle(), "picture.png");

    preview.close();
    EXPECT_FALSE(model->previewURL()) << "closing the window ends the preview";
    model->setPreviewURL(QUrl::fromLocalFile(QString::fromStdString(notes)));
    model->setPreviewURL(std::nullopt);
    EXPECT_FALSE(preview.isVisible());

    model->setPreviewURL(QUrl::fromLocalFile(QString::fromStdString(notes)));
    preview.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(model->previewURL()) << "Escape closes the preview";
}
