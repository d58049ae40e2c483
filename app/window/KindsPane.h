#pragma once

// The inspector's Kinds tab: the scan's space by kind of file, each kind expandable into its
// extensions. Reads the model only while it is on screen.

#include "model/KindTotal.h"

#include <QWidget>
#include <vector>

class QLabel;
class QTreeWidget;

namespace tavelin {

class AppModel;
class PaneMessage;

class KindsPane : public QWidget {
    Q_OBJECT
public:
    enum Column { nameColumn, shareColumn, bytesColumn, filesColumn, columnCountTotal };
    // The share column's fraction of the total, 0..1 (a double).
    static constexpr int fractionRole = Qt::UserRole;

    explicit KindsPane(AppModel& model, QWidget* parent = nullptr);

    const PaneMessage& message() const { return *message_; }
    QString heading() const;
    const QTreeWidget& tree() const { return *tree_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void fill();
    void fillTree(const std::vector<KindTotal>& kinds, int64_t total);

    AppModel& model_;
    PaneMessage* message_;
    QWidget* totals_;
    QLabel* heading_;
    QTreeWidget* tree_;
    // Set when the model changed while the pane was off screen.
    bool stale_ = true;
};

} // namespace tavelin
