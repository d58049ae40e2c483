#include "access/AccessBanner.h"
#include "access/AccessSheet.h"
#include "app/ModelFixture.h"
#include "model/AppModel.h"
#include "widgets/SettingsKeys.h"
#include "window/MainWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace tavelin;

namespace {

class AccessViewsTest : public test::ModelFixture {
protected:
    std::unique_ptr<MainWindow> window() {
        auto made = std::make_unique<MainWindow>(makeModel(), std::string());
        made->show();
        return made;
    }
    AccessBanner& banner(MainWindow& window) { return *window.findChild<AccessBanner*>(); }
};

} // namespace

TEST_F(AccessViewsTest, WithoutAccessTheSheetAsksAndScanningWithoutItShowsTheBannersCounts) {
    EXPECT_EQ(AccessBanner::headline(1, 1234),
              "1 protected folder skipped · 1,234 items couldn’t be read");
    EXPECT_EQ(AccessBanner::headline(2, 0), "2 protected folders skipped");
    EXPECT_EQ(AccessBanner::headline(0, 1), "1 item couldn’t be read");

    home.file("Desktop/note", 2'000'000);
    home.file("Code/file", 10);
    granted = false;
    auto shown = window();
    AppModel& model = shown->model();
    EXPECT_TRUE(banner(*shown).isHidden()) << "nothing scanned, nothing missed";

    model.scan(home.root().string());
    ASSERT_NE(shown->accessSheet(), nullptr);
    EXPECT_TRUE(shown->accessSheet()->isVisible());
    EXPECT_EQ(shown->accessSheet()->windowTitle(), "Allow Access to Protected Folders");
    EXPECT_FALSE(model.session());

    shown->accessSheet()->scanWithout().click();
    EXPECT_TRUE(QSettings().value(SettingsKeys::scansWithoutAccess).toBool());
    ASSERT_TRUE(model.session()) << "the waiting scan starts without the protected folders";
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->accessSheet() == nullptr; }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isScanning(); }, 20000));
    EXPECT_FALSE(banner(*shown).isHidden());
    EXPECT_EQ(banner(*shown).headlineLabel().text(), "1 protected folder skipped");

    for (QPushButton* button : banner(*shown).findChildren<QPushButton*>())
        if (button->text() == "Dismiss")
            button->click();
    EXPECT_TRUE(banner(*shown).isHidden());
    model.askForAccess();
    ASSERT_NE(shown->accessSheet(), nullptr) << "the banner's way back to the question";
    shown->accessSheet()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->accessSheet() == nullptr; }, 2000));
    model.scan(home.root().string());
    EXPECT_FALSE(model.access().isAskingForAccess()) << "a scan never asks again";
}

TEST_F(AccessViewsTest, EscapeDropsTheWaitingScanAndGrantingStartsIt) {
    home.file("Desktop/note", 10);
    granted = false;
    auto shown = window();
    AppModel& model = shown->model();
    model.scan(home.root().string());
    ASSERT_NE(shown->accessSheet(), nullptr);
    QTest::keyClick(shown->accessSheet(), Qt::Key_Escape);
    EXPECT_FALSE(model.access().isAskingForAccess());
    EXPECT_FALSE(model.access().pendingScan());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->accessSheet() == nullptr; }, 2000));
    granted = true;
    QTest::qWait(1300);
    EXPECT_FALSE(model.session()) << "access granted later starts nothing dropped";

    granted = false;
    model.scan(home.root().string());
    ASSERT_NE(shown->accessSheet(), nullptr);
    granted = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.session() != nullptr; }, 3000))
        << "the poll finds access and starts the scan";
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->accessSheet() == nullptr; }, 2000));
    EXPECT_TRUE(model.session()->skipped().empty());
}
