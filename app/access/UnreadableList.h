#pragma once

// The folders a scan could not read, each with its path and what reading it meets now, and
// why such folders are left out; a folder picked in the list can be shown in the file manager.

#include "scan/Node.h"

#include <QDialog>
#include <QString>
#include <vector>

class QTreeWidget;

namespace tavelin {

class AppModel;

class UnreadableList : public QDialog {
    Q_OBJECT
public:
    // At most this many folders are listed; a line says how many more there are.
    static constexpr size_t kMostListed = 500;

    UnreadableList(AppModel& model, const std::vector<const Node*>& folders,
                   QWidget* parent = nullptr);

    const QTreeWidget& list() const { return *list_; }

private:
    QTreeWidget* list_;
};

} // namespace tavelin
