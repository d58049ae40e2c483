#pragma once

#include <QDialog>

class QPushButton;

namespace tavelin {

class AppModel;

// The question for access to protected folders, open while the window's model asks. Closing it
// any way but its buttons drops the waiting scan; it stays up after "Open System Settings", and
// the model's probe starts the scan once access is on.
class AccessSheet : public QDialog {
    Q_OBJECT
public:
    explicit AccessSheet(AppModel& model, QWidget* parent = nullptr);

    QPushButton& scanWithout() const { return *scanWithout_; }
    QPushButton& openSettings() const { return *openSettings_; }

    // The desktop's settings program, where one is installed; empty otherwise.
    static QStringList settingsCommand();

private:
    AppModel& model_;
    QPushButton* scanWithout_;
    QPushButton* openSettings_;
};

} // namespace tavelin
