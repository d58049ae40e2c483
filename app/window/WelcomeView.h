#pragma once

#include <QWidget>

class QPushButton;

namespace tavelin {

class AppModel;

// What the window shows before any scan: an invitation and the two quickest ways to start.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeView(AppModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    AppModel& model_;
    QPushButton* scanDisk_;
};

} // namespace tavelin
