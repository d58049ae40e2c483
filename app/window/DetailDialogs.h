#pragma once

// The window's confirmations, opened by the model's flags so that menus, keys and panes can ask
// for them: moving items to the Trash, and applying the ticked advisor steps. Each is
// window-modal without a nested event loop, so scans and batches keep running behind it.

#include <QObject>

class QMessageBox;
class QWidget;

namespace tavelin {

class AppModel;

class DetailDialogs : public QObject {
    Q_OBJECT
public:
    DetailDialogs(AppModel& model, QWidget& window);

    QMessageBox* trashConfirmation() const { return trash_; }
    QMessageBox* applyConfirmation() const { return apply_; }

private:
    void refresh();
    void openTrashConfirmation();
    void openApplyConfirmation();

    AppModel& model_;
    QWidget& window_;
    QMessageBox* trash_ = nullptr;
    QMessageBox* apply_ = nullptr;
};

} // namespace tavelin
