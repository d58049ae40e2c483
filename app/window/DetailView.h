#pragma once

#include <QWidget>

class QLabel;
class QSplitter;
class QStackedWidget;

namespace tavelin {

class AppModel;
class InspectorView;
class ItemTable;

// The main column: the welcome view before any scan; afterwards the title, the path bar, the
// map, the status line and the table, with the inspector beside them.
class DetailView : public QWidget {
    Q_OBJECT
public:
    explicit DetailView(AppModel& model, QWidget* parent = nullptr);

    const QLabel* statusLabel() const { return status_; }
    ItemTable* table() const { return table_; }

private:
    QWidget* makeContent();
    void refreshTitle();
    void refreshStatus();

    AppModel& model_;
    QStackedWidget* pages_;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QLabel* source_ = nullptr; // where a scan read from a file came from
    QLabel* status_ = nullptr;
    InspectorView* inspector_ = nullptr;
    ItemTable* table_ = nullptr;
};

} // namespace tavelin
