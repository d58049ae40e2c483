#include "watch/FreeSpacePanel.h"

#include "app/QtPrinting.h"
#include "app/watch/WatchFixture.h"
#include "watch/TrayIcon.h"
#include "watch/TrayLabel.h"

#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

using namespace tavelin;
using test::disk;
using test::kGB;

namespace {

const QColor kRed(0xD9, 0x30, 0x25);

// Each row as "name|free|red or not|gauge|gauge's tint".
QStringList rowsOf(const FreeSpacePanel& panel) {
    QStringList rows;
    for (QWidget* row : panel.findChildren<QWidget*>(QStringLiteral("volumeRow"))) {
        auto* free = row->findChild<QLabel*>(QStringLiteral("free"));
        auto* gauge = row->findChild<QProgressBar*>();
        rows << QStringList{row->findChild<QLabel*>(QStringLiteral("name"))->text(), free->text(),
                            free->palette().color(QPalette::WindowText) == kRed ? "red" : "-",
                            QString::number(gauge->value()),
                            gauge->palette().color(QPalette::Highlight).name()}
                    .join('|');
    }
    return rows;
}

bool lowLineShown(const FreeSpacePanel& panel) {
    for (QLabel* label : panel.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->text() == "Computer is running low. Open Tavelin to see what to clear.")
            return !label->isHidden();
    return false;
}

void click(const FreeSpacePanel& panel, const QString& text) {
    for (QPushButton* button : panel.findChildren<QPushButton*>())
        if (button->text() == text)
            return button->click();
    ADD_FAILURE() << "no button " << text.toStdString();
}

using FreeSpacePanelTest = test::WatchFixture;

} // namespace

TEST(TrayLabel, ShowsATriangleWhenTheStartupDiskIsLowAndItsFreeSpaceInFourCharactersAtMost) {
    const std::pair<int64_t, const char*> figures[] = {{0, "0B"},
                                                       {999, "999B"},
                                                       {999'500, "1M"},
                                                       {4'540'000'000, "4.5G"},
                                                       {9'960'000'000, "10G"},
                                                       {45'400'000'000, "45G"},
                                                       {999'600'000'000, "1T"},
                                                       {1'240'000'000'000, "1.2T"}};
    for (const auto& [bytes, text] : figures)
        EXPECT_EQ(TrayLabel::compact(bytes), text) << bytes;

    auto terabyte = disk("/", 1'000 * kGB, 60 * kGB, true);
    TrayLabel plenty = TrayLabel::of(&terabyte);
    terabyte.free = 45 * kGB;
    TrayLabel low = TrayLabel::of(&terabyte);
    EXPECT_EQ(plenty.freeText + "|" + plenty.figure, "60 GB|60G");
    EXPECT_STREQ(plenty.symbol, "internaldrive");
    EXPECT_STREQ(low.symbol, "exclamationmark.triangle.fill");
    EXPECT_STREQ(TrayLabel::of(nullptr).symbol, "internaldrive");
    EXPECT_TRUE(TrayLabel::of(nullptr).freeText.isEmpty());
    for (int size : {16, 22}) {
        QImage image = TrayIcon::drawn(plenty, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        int light = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                light += qGray(image.pixel(x, y)) > 200 && qAlpha(image.pixel(x, y)) > 200;
        EXPECT_GT(light, size) << "the figure shows at " << size << " pixels";
        QColor tile = TrayIcon::drawn(low, size).toImage().pixelColor(size / 2, 1);
        EXPECT_GT(tile.red(), 2 * tile.green()) << "red when the disk is low";
    }
    EXPECT_FALSE(TrayIcon::of(TrayLabel::of(nullptr)).isNull()) << "the drive alone";
}

TEST_F(FreeSpacePanelTest, ListsWritableDisksWithTheirGaugesAndTheLowLine) {
    volumes = {disk("Computer", 1'000 * kGB, 45 * kGB, true),
               disk("Data", 256 * kGB, 30 * kGB),
               disk("Full", 100 * kGB, 3 * kGB),
               disk("Empty", 0, 0),
               {"/media/cd", "Image", "/media/cd", 2 * kGB, 0, false, true}};
    DiskWatch watch(environment(), detached);
    FreeSpacePanel panel(watch);

    // The read-only image is left out; red above 95 % used or below a tenth free, orange at 88 %;
    // a disk without a size shows nothing used.
    EXPECT_EQ(rowsOf(panel),
              (QStringList{"Computer|45 GB free|red|955|#d93025", "Data|30 GB free|-|883|#f08a00",
                           "Full|3 GB free|red|970|#d93025",
                           "Empty|0 bytes free|-|0|" +
                               panel.palette().color(QPalette::Highlight).name()}));
    EXPECT_TRUE(lowLineShown(panel));
    EXPECT_EQ(panel.width(), 300);

    volumes[0].free = 400 * kGB;
    int before = reads;
    panel.show();
    EXPECT_EQ(reads, before + 1) << "showing the panel reads the disks";
    EXPECT_TRUE(rowsOf(panel)[0].startsWith("Computer|400 GB free|-|"));
    EXPECT_FALSE(lowLineShown(panel));

    QSignalSpy open(&panel, &FreeSpacePanel::openRequested);
    QSignalSpy quit(&panel, &FreeSpacePanel::quitRequested);
    QSignalSpy history(&panel, &FreeSpacePanel::historyRequested);
    click(panel, "Open Tavelin");
    EXPECT_EQ(open.count(), 1);
    EXPECT_TRUE(panel.isHidden());
    click(panel, "Free-Space History…");
    EXPECT_EQ(history.count(), 1);
    click(panel, "Quit");
    EXPECT_EQ(quit.count(), 1);
}
