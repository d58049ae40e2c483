#pragma once

// The inspector beside the map: a segmented "Show" picker over the Advisor, Changes, Disk and
// Kinds tabs, bound to the model's inspector tab, and the chosen tab's pane.

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

namespace tavelin {

class AppModel;
class ChangesPane;
class DiskPane;
class KindsPane;
class PaneMessage;

class InspectorView : public QWidget {
    Q_OBJECT
public:
    explicit InspectorView(AppModel& model, QWidget* parent = nullptr);

    QAbstractButton* tabButton(int tab) const;
    // The index of the pane on screen, in the order of `InspectorTab`.
    int currentPane() const;
    const PaneMessage& advisorMessage() const { return *advisor_; }
    DiskPane& diskPane() const { return *disk_; }
    ChangesPane& changesPane() const { return *changes_; }
    KindsPane& kindsPane() const { return *kinds_; }

private:
    void showTab();
    void refreshAdvisor();

    AppModel& model_;
    QButtonGroup* picker_;
    QStackedWidget* panes_;
    PaneMessage* advisor_;
    ChangesPane* changes_;
    DiskPane* disk_;
    KindsPane* kinds_;
};

} // namespace tavelin
