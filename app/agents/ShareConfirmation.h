#pragma once

// The sheet that asks before a report leaves Tavelin for the first time: what the report holds,
// where it goes, "Don’t ask again", and a way to read the report first.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tavelin {

class AppModel;

class ShareConfirmation : public QDialog {
    Q_OBJECT
public:
    explicit ShareConfirmation(AppModel& model, QWidget* parent = nullptr);

    QLabel* title() const { return title_; }
    QLabel* message() const { return message_; }
    QCheckBox* dontAskAgain() const { return dontAsk_; }
    QPushButton* showReportButton() const { return showReport_; }
    QPushButton* confirmButton() const { return confirm_; }

private:
    // Reads the waiting target into the texts and buttons.
    void refresh();
    void confirmed();

    AppModel& model_;
    QLabel* title_;
    QLabel* message_;
    QCheckBox* dontAsk_;
    QPushButton* showReport_;
    QPushButton* confirm_;
};

} // namespace tavelin
