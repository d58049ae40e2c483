#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tavelin {

class Notifications;

// The settings section for free-space warnings: the switch bound to "diskWarnings" with its
// caption, and, while it is on and the desktop cannot show notifications, a notice with the way
// to the desktop's notification settings where one is known.
class NotificationSettings : public QWidget {
    Q_OBJECT
public:
    explicit NotificationSettings(Notifications& notifications, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void toggled(bool on);
    void showStatus();

    Notifications& notifications_;
    QCheckBox* warnings_;
    QLabel* deniedNotice_;
    QPushButton* openSettings_;
};

} // namespace tavelin
