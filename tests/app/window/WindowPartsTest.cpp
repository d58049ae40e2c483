#include "access/UnreadableBanner.h"
#include "access/UnreadableList.h"
#include "app/ModelFixture.h"
#include "items/InfoButton.h"
#include "items/InfoPopover.h"
#include "map/EmptyFolderView.h"
#include "util/Format.h"
#include "widgets/ExcludedFolders.h"
#include "widgets/SandboxAccess.h"
#include "widgets/SettingsKeys.h"
#include "window/CloudBanner.h"
#include "window/DetailToolbar.h"
#include "window/DetailView.h"
#include "window/DroppedFolder.h"
#include "window/HelpMenu.h"
#include "window/ItemTable.h"
#include "window/ItemTableModel.h"
#include "window/LocationRow.h"
#include "window/MainWindow.h"
#include "window/ManualPage.h"
#include "window/QuickPreview.h"
#include "window/SharingExplainer.h"
#include "window/ShortcutsWindow.h"
#include "window/SidebarView.h"
#include "window/StatusLine.h"
#include "window/TavelinCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <fstream>
#include <gmock/gmock.h>

using namespace tavelin;
using testing::EndsWith;
using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

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
    EXPECT_THAT(shown.at(shown.size() - 2).toStdString(),
                MatchesRegex("Other used space — .*: the system, snapshots, and folders that "
                             "couldn’t be read"));
    auto empty = EmptyFolderView::textsFor(*protectedFolder);
    shown << empty.title << empty.description;
    shown << textsOf(SharingExplainer(model));

    const QRegularExpression macOnly(QStringLiteral(
        "macOS|\\bMac\\b|Finder|Full Disk Access|Time Machine|APFS|System Settings|Xcode|"
        "container|Preboot|sleep image"));
    ASSERT_TRUE(shown.contains(QStringLiteral("In use on this file system")))
        << "the Disk tab is read";
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(macOnly)) << text.toStdString();
}

TEST_F(WindowParts, StatusLineFollowsHoverScanNoticeAndTheFinishedScan) {
    tree.file("big/file", 3'000'000);
    tree.file("other/file", 1'000'000);
    auto model = makeModel();
    EXPECT_EQ(statusLine(*model), "") << "nothing before any scan";
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_THAT(statusLine(*model).toStdString(), MatchesRegex("2 files in [0-9.]+ s"));

    model->setHoverIndex(tileIndexOf(*model, "big"));
    Node::Ptr big = test::ModelFixture::child(model->current(), "big");
    EXPECT_THAT(statusLine(*model).toStdString(),
                StartsWith("big — " + formatBytes(big->size) + " · "));
    EXPECT_THAT(statusLine(*model).toStdString(), EndsWith("% of tree"));
    big->unique = big->size / 2;
    EXPECT_THAT(statusLine(*model).toStdString(), HasSubstr(" on disk; deleting it frees "));
    big->needsAccess = true;
    EXPECT_EQ(statusLine(*model), "big — skipped, needs access to protected folders");

    model->setHoverIndex(std::nullopt);
    model->setNotice(QStringLiteral("Moved 2 items to the Trash."));
    EXPECT_EQ(statusLine(*model), "Moved 2 items to the Trash.");

    // The next scan leaves out what the settings exclude, and says how much.
    ExcludedFolders::store({"other"});
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_FALSE(test::ModelFixture::child(model->current(), "other"));
    EXPECT_THAT(statusLine(*model).toStdString(),
                MatchesRegex("1 file in [0-9.]+ s · 1 item excluded"));
}

TEST(StatusLine, ElapsedTimeUsesSecondsThenMinutes) {
    EXPECT_EQ(
        (QStringList{elapsedText(4.24), elapsedText(59.94), elapsedText(60.0), elapsedText(185.7)}),
        (QStringList{"4.2 s", "59.9 s", "1 min 0 s", "3 min 5 s"}));
}

TEST_F(WindowParts, ReadOnlyDisksShowNoFreeSpaceBarAndTheChosenDiskIsHighlightedWhole) {
    volumes.push_back(
        {"/", "Computer", "/", 500'000'000'000, 100'000'000'000, true, false, 100'000'000'000});
    volumes.push_back({"/media/disc", "Disc", "/media/disc", 4'000'000'000, 0, false, true});
    auto model = makeModel();
    // The bar's share as df counts it: 300 GB used of the 400 GB users can fill.
    QStringList rows;
    for (const LocationRow& row : locationRows(*model))
        rows << row.title + "|" + row.detail.value_or("-") + "|" +
                    (row.fraction ? QString::number(*row.fraction) : "-") + "|" +
                    QString::fromStdString(row.scanPath);
    EXPECT_EQ(rows, (QStringList{"Computer|100 GB free of 500 GB|0.75|/",
                                 "Disc|Read-only · 4 GB|-|/media/disc",
                                 "Home folder|-|-|" + QString::fromStdString(home.root())}));

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
    // The disk is 75 % full: the bar's used part, at the bottom, stands out from the selection.
    bool barShows = false;
    for (int y = row.bottom() - 8; y <= row.bottom(); ++y)
        barShows = barShows || image.pixelColor(row.left() + 40, y) != title;
    EXPECT_TRUE(barShows);
}

TEST_F(WindowParts, ADroppedFolderIsScannedAndADroppedFileReadAsAScanFile) {
    std::string file = tree.file("plain.txt", 10);
    std::string folder = tree.folder("folder");
    QUrl fileUrl = QUrl::fromLocalFile(QString::fromStdString(file));
    // The folder and the scan file each drop reads; the first dropped item counts.
    auto dropped = [](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        return droppedFolder(data) + "|" + droppedScanFile(data);
    };
    EXPECT_EQ(dropped({fileUrl}), "|" + fileUrl.toLocalFile());
    EXPECT_EQ(dropped({QUrl::fromLocalFile(QString::fromStdString(folder)), fileUrl}),
              QString::fromStdString(folder) + "|");
    EXPECT_EQ(dropped({QUrl(QStringLiteral("https://example.org/x"))}), "|");
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

TEST_F(WindowParts, BannersSayWhatCouldNotBeReadAndWhatASyncFolderHolds) {
    home.file("Dropbox/photos/beach.jpg", 3'000'000);
    home.file("Documents/letter.pdf", 2'000'000);
    MainWindow window(makeModel(), {});
    AppModel& model = window.model();
    ASSERT_TRUE(scanned(model, home.root().string()));
    auto* cloud = window.findChild<CloudBanner*>();
    auto* unreadable = window.findChild<UnreadableBanner*>();
    ASSERT_TRUE(cloud && unreadable);
    EXPECT_TRUE(cloud->isHidden()) << "the home folder is no sync folder";
    EXPECT_TRUE(unreadable->isHidden());

    const ItemTableModel& rows = window.detail().table()->items();
    Node::Ptr dropbox = child(model.current(), "Dropbox");
    Node::Ptr documents = child(model.current(), "Documents");
    QModelIndex synced = rows.index(rows.rowOf(dropbox), ItemTableModel::nameColumn);
    EXPECT_TRUE(synced.data(ItemTableModel::cloudRole).toBool());
    EXPECT_EQ(synced.data(Qt::ToolTipRole).toString(),
              "Synced with Dropbox. It takes " +
                  QString::fromStdString(formatBytes(dropbox->size)) +
                  " here and in Dropbox. Deleting it here would delete it from Dropbox too.");
    EXPECT_FALSE(rows.index(rows.rowOf(documents), ItemTableModel::nameColumn)
                     .data(ItemTableModel::cloudRole)
                     .toBool());
    model.open(dropbox);
    EXPECT_FALSE(cloud->isHidden());
    EXPECT_EQ(cloud->message().text(),
              "The files here take space on this computer and are kept in Dropbox. Deleting them "
              "here deletes them from Dropbox too.");
    EXPECT_FALSE(textsOf(*cloud).join(' ').contains("Online-Only")) << "never offered here";
    model.back();
    EXPECT_TRUE(cloud->isHidden());

    documents->isUnreadable = true;
    model.treeChanged();
    ASSERT_FALSE(unreadable->isHidden());
    EXPECT_EQ(unreadable->headlineLabel().text(), "1 folder couldn’t be read");
    EXPECT_EQ(UnreadableBanner::headline(1'234), "1,234 folders couldn’t be read");
    unreadable->showList();
    auto* list = unreadable->findChild<UnreadableList*>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->list().topLevelItemCount(), 1);
    EXPECT_EQ(list->list().topLevelItem(0)->text(0), QString::fromStdString(documents->path()));
    EXPECT_EQ(list->list().topLevelItem(0)->text(1), "Readable now: rescan to include it");
    EXPECT_TRUE(textsOf(*list).contains("Why was this skipped?"));
    for (auto* button : unreadable->findChildren<QPushButton*>())
        if (button->text() == "Dismiss")
            button->click();
    EXPECT_TRUE(unreadable->isHidden());
}

TEST_F(WindowParts, ClickingTheShownLocationKeepsItsScan) {
    tree.file("file", 2'000'000);
    volumes.push_back(
        {tree.root().string(), "Disk", tree.root().string(), 100'000'000'000, 0, false, false});
    auto model = makeModel();
    SidebarView sidebar(*model);
    sidebar.resize(240, 300);
    sidebar.show();
    QTreeWidgetItem* disk = sidebar.list().topLevelItem(0)->child(0);
    ASSERT_EQ(disk->text(0), "Disk");
    QPoint at = sidebar.list().visualItemRect(disk).center();
    QTest::mouseClick(sidebar.list().viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(model->session());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isScanning(); }, 10000));
    auto shown = model->session();
    QTest::mouseClick(sidebar.list().viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(sidebar.list().viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(model->session(), shown) << "Rescan is the way to scan again";
}

TEST_F(WindowParts, TheWindowFitsTheScreenShowsTheMeasureAsAGlyphAndRemembersADrop) {
    EXPECT_EQ(MainWindow::openingSize(QRect(0, 0, 1920, 1050)), QSize(1480, 900));
    EXPECT_EQ(MainWindow::openingSize(QRect(0, 32, 1280, 768)), QSize(1280, 728));
    MainWindow window(makeModel(), {});
    EXPECT_TRUE(window.screen()->availableGeometry().contains(window.geometry()));
    QToolButton* measure = window.toolbar().measureButton();
    EXPECT_FALSE(measure->icon().isNull());
    EXPECT_EQ(measure->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(measure->accessibleName(), "Size on Disk");
    // The View menu offers the measures the button does, one checked at a time.
    auto measures = window.commands().measures;
    QMenu* view = window.menuBar()->actions()[2]->menu();
    ASSERT_EQ(view->title(), "&View");
    EXPECT_TRUE(view->actions().contains(measures[2]));
    EXPECT_EQ(measures[2]->text(), "Apparent Size");
    measures[2]->trigger();
    EXPECT_EQ(window.model().measure(), Measure::apparent);
    EXPECT_EQ(measure->accessibleName(), "Apparent Size");
    EXPECT_FALSE(measures[0]->isChecked());
    EXPECT_TRUE(measure->menu()->actions().contains(measures[2]));

    // A sandboxed Tavelin keeps a dropped folder as it keeps a chosen one.
    std::string folder = tree.folder("dropped");
    std::vector<std::string> asked;
    SandboxAccess::resetForTesting(true, [&](const std::string& path, const QString&) {
        asked.push_back(path);
        return std::optional<std::string>();
    });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder))});
    EXPECT_TRUE(scanDroppedFolder(window.model(), data));
    EXPECT_TRUE(SandboxAccess::canRead(folder + "/inside"));
    EXPECT_TRUE(asked.empty());
    SandboxAccess::resetForTesting(false, {});
    ASSERT_TRUE(window.model().session());
    EXPECT_EQ(window.model().session()->path(), folder);
}

TEST_F(WindowParts, DesktopKeysMoveAroundAndTheHelpMenuListsThem) {
    tree.file("a/b/file", 2'000'000);
    QSettings().setValue(SettingsKeys::agentTipShown, true); // its popup would take the keys
    MainWindow window(makeModel(), {});
    AppModel& model = window.model();
    const TavelinCommands& commands = window.commands();
    EXPECT_FALSE(commands.back->isEnabled() || commands.rescan->isEnabled() ||
                 commands.open->isEnabled());
    ASSERT_TRUE(scanned(model, tree.root().string()));
    Node::Ptr root = model.current();
    Node::Ptr a = child(root, "a");
    model.open(a);
    EXPECT_TRUE(commands.back->isEnabled() && commands.enclosingFolder->isEnabled());
    EXPECT_FALSE(commands.moveToTrash->isEnabled());
    commands.back->trigger();
    EXPECT_EQ(model.current(), a) << "an inactive window's command does nothing";
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWidget* table = window.detail().table();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(model.current(), root);
    EXPECT_TRUE(!commands.back->isEnabled() && commands.forward->isEnabled());
    QTest::keyClick(table, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(model.current(), a);
    QTest::keyClick(table, Qt::Key_Backspace);
    EXPECT_EQ(model.current(), root);
    model.open(a);
    QTest::keyClick(table, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(model.current(), root);
    auto before = model.session();
    QTest::keyClick(table, Qt::Key_F5);
    EXPECT_NE(model.session(), before) << "F5 measures the shown folder again";

    QLineEdit* search = window.toolbar().searchField();
    QTest::keyClick(table, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(search->hasFocus());
    QTest::keyClicks(search, "fi");
    EXPECT_EQ(model.searchText(), "fi");
    QTest::keyClick(search, Qt::Key_Backspace);
    EXPECT_EQ(model.searchText(), "f") << "Backspace edits the text there";
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(model.searchText().isEmpty());
    EXPECT_TRUE(search->hasFocus());
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_TRUE(table->hasFocus()) << "the second Escape leaves the field";

    auto rows = ShortcutsWindow::rows(*window.menuBar());
    auto keysOf = [&](const QString& title) {
        for (const auto& row : rows)
            if (row.title == title)
                return row.keys;
        return QString();
    };
    EXPECT_EQ(keysOf("Enclosing Folder"), "Ctrl+Up, Alt+Up, Backspace") << "every key, in order";
    for (QAction* action : window.commands().findChildren<QAction*>()) {
        if (!action->shortcuts().isEmpty()) {
            EXPECT_FALSE(keysOf(action->text()).isEmpty()) << action->text().toStdString();
        }
    }

    QString manual = ManualPage::html(ManualPage::source());
    for (const char* part :
         {"<h2>OPTIONS</h2>", "<dt><b>--demo</b></dt><dd>Show a generated sample home",
          "<dt><b>-scan</b><i> PATH</i></dt>"})
        EXPECT_TRUE(manual.contains(QLatin1String(part))) << part;
    auto installed = [](const QString& name) {
        return name == "khelpcenter" ? QStringLiteral("/usr/bin/khelpcenter") : QString();
    };
    EXPECT_EQ(HelpMenu::manualViewerCommand(true, installed),
              (QStringList{"/usr/bin/khelpcenter", "man:tavelin"}));
    EXPECT_EQ(HelpMenu::manualViewerCommand(false, installed), std::nullopt)
        << "a page not installed shows in Tavelin's own window";
    EXPECT_EQ(HelpMenu::manualViewerCommand(true, [](const QString&) { return QString(); }),
              std::nullopt);
    QString about = HelpMenu::aboutText();
    for (const char* part :
         {TAVELIN_VERSION, "Licence: proprietary", "https://github.com/tavelin/tavelin"})
        EXPECT_TRUE(about.contains(QLatin1String(part))) << part;
}
