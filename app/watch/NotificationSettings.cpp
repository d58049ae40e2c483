#include "watch/NotificationSettings.h"

#include "watch/Notifications.h"
#include "widgets/CaptionLabel.h"
#include "widgets/SettingsKeys.h"
#include "widgets/Texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace tavelin {
NotificationSettings::NotificationSettings(Notifications& notifications, QWidget* parent)
    : QWidget(parent)
    , notifications_(notifications)
    , warnings_(new QCheckBox(QStringLiteral("Warn me before my disk fills up"), this))
    , deniedNotice_(new QLabel(
          linuxText("Notifications for Tavelin are turned off in System Settings."), this))
    , openSettings_(new QPushButton(linuxText("Open System Settings…"), this)) {
    warnings_->setChecked(Notifications::isEnabled());
    deniedNotice_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warnings_);
    layout->addWidget(
        captionLabel(linuxText("A notification when your startup disk is about to run out, is "
                               "nearly full, or suddenly loses a lot of space. Rare: at most one "
                               "a day of each."),
                     this));
    layout->addWidget(deniedNotice_);
    layout->addWidget(openSettings_, 0, Qt::AlignLeft);
    showStatus();

    connect(warnings_, &QCheckBox::toggled, this, &NotificationSettings::toggled);
    connect(openSettings_, &QPushButton::clicked, &notifications_,
            &Notifications::openSystemSettings);
    connect(&notifications_, &Notifications::deniedChanged, this,
            &NotificationSettings::showStatus);
}

void NotificationSettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    notifications_.readStatus();
}

void NotificationSettings::toggled(bool on) {
    QSettings().setValue(SettingsKeys::diskWarnings, on);
    if (on)
        notifications_.readStatus();
    showStatus();
}

void NotificationSettings::showStatus() {
    bool denied = warnings_->isChecked() && notifications_.isDenied().value_or(false);
    deniedNotice_->setVisible(denied);
    openSettings_->setVisible(denied && notifications_.canOpenSystemSettings());
}

} // namespace tavelin
