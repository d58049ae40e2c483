#pragma once

#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

namespace tavelin {

class AppModel;

// Disks, the home folder and recent folders; selecting one scans it.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    explicit SidebarView(AppModel& model, QWidget* parent = nullptr);

    QTreeWidget& list() const;

private:
    void rebuild();
    void highlight();
    void chosen(QTreeWidgetItem* item);

    AppModel& model_;
    QTreeWidget* list_;
    bool rebuilding_ = false;
};

} // namespace tavelin
