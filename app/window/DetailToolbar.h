#pragma once

#include <QToolBar>

class QAction;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tavelin {

class AppModel;
class TavelinCommands;

// History, scanning, item actions, the measure, the inspector toggle and the search field.
class DetailToolbar : public QToolBar {
    Q_OBJECT
public:
    DetailToolbar(AppModel& model, TavelinCommands& commands, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QToolButton* measureButton() const { return measure_; }

Q_SIGNALS:
    void explainSharing();

private:
    void refreshScanning();
    void refreshMeasure();

    AppModel& model_;
    QAction* stop_;
    QAction* scanningLabel_;
    QAction* rescan_;
    QToolButton* measure_;
    QAction* allocated_;
    QAction* unique_;
    QAction* insights_;
    QLineEdit* search_;
};

} // namespace tavelin
