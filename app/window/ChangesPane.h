#pragma once

// The inspector's Changes tab: what grew or shrank since the previous scan of this location.
// Before any scan and on a first scan it explains itself; otherwise a header with the total
// difference and the previous scan's date, then the changes, once the scan has finished.

#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace tavelin {

class AppModel;
class ChangeRow;
class PaneMessage;

class ChangesPane : public QWidget {
    Q_OBJECT
public:
    explicit ChangesPane(AppModel& model, QWidget* parent = nullptr);

    const PaneMessage& message() const { return *message_; }
    const PaneMessage& bodyMessage() const { return *bodyMessage_; }
    QString headline() const;
    QString since() const;
    std::vector<ChangeRow*> rows() const;

private:
    void refresh();
    void refreshHeader();
    void refreshRows();

    AppModel& model_;
    PaneMessage* message_;
    QWidget* compared_;
    QLabel* headline_;
    QLabel* since_;
    PaneMessage* bodyMessage_;
    QScrollArea* list_;
    QVBoxLayout* rowsLayout_;
};

} // namespace tavelin
