#pragma once

#include <QToolBar>

class QAction;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tavelin {

class AgentMenu;
class AppModel;
class TavelinCommands;

// History, scanning, item actions, the measure, the agent menu, the inspector toggle and the
// search field.
class DetailToolbar : public QToolBar {
    Q_OBJECT
public:
    DetailToolbar(AppModel& model, TavelinCommands& commands, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QToolButton* measureButton() const { return measure_; }
    AgentMenu* agentMenu() const { return agents_; }

Q_SIGNALS:
    void explainSharing();
    // Escape in an empty search field: the keyboard goes back to the window's content.
    void searchLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshScanning();
    void refreshMeasure();

    AppModel& model_;
    QAction* stop_;
    QAction* scanningLabel_;
    QAction* rescan_;
    QToolButton* measure_;
    AgentMenu* agents_;
    QAction* insights_;
    QLineEdit* search_;
};

} // namespace tavelin
