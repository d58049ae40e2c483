#include "watch/NotificationSettings.h"

#include "watch/Notifications.h"
#include "widgets/SettingsKeys.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

using namespace tavelin;

namespace {

const QString kNotice =
    QStringLiteral("Notifications for Tavelin are unavailable on this desktop.");

bool noticeShown(const NotificationSettings& section) {
    for (QLabel* label : section.findChildren<QLabel*>())
        if (label->text() == kNotice)
            return !label->isHidden();
    return false;
}

QPushButton* settingsButton(const NotificationSettings& section) {
    return section.findChild<QPushButton*>();
}

// Without a bus the desktop cannot show notifications: the turned-off case.
Notifications::Setup withoutService(std::optional<QStringList> settingsCommand) {
    Notifications::Setup setup;
    setup.inBundle = true;
    setup.settingsCommand = std::move(settingsCommand);
    return setup;
}

} // namespace

TEST(NotificationSettings, TheSwitchWritesTheSettingAndTheTurnedOffNoticeShowsWhileItIsOn) {
    QSettings().clear();
    Notifications gnome(withoutService(QStringList{"/usr/bin/gnome-control-center", "x"}));
    NotificationSettings section(gnome);
    auto* toggle = section.findChild<QCheckBox*>();
    EXPECT_EQ(toggle->text(), "Warn me before my disk fills up");
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(noticeShown(section)) << "not known before the section appears";
    section.show();
    EXPECT_TRUE(noticeShown(section));
    EXPECT_FALSE(settingsButton(section)->isHidden());
    EXPECT_EQ(settingsButton(section)->text(), "Open Notification Settings…");
    toggle->setChecked(false);
    EXPECT_FALSE(QSettings().value(SettingsKeys::diskWarnings).toBool());
    EXPECT_FALSE(noticeShown(section));
    EXPECT_TRUE(settingsButton(section)->isHidden());

    Notifications elsewhere(withoutService(std::nullopt));
    NotificationSettings other(elsewhere);
    EXPECT_FALSE(other.findChild<QCheckBox*>()->isChecked()) << "the switch follows the setting";
    other.findChild<QCheckBox*>()->setChecked(true);
    EXPECT_TRUE(Notifications::isEnabled());
    other.show();
    EXPECT_TRUE(noticeShown(other));
    EXPECT_TRUE(settingsButton(other)->isHidden()) << "no settings known on this desktop";
}
