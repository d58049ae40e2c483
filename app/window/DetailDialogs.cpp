#include "window/DetailDialogs.h"

#include "model/AppModel.h"

#include <QMessageBox>
#include <QPushButton>

namespace tavelin {

DetailDialogs::DetailDialogs(AppModel& model, QWidget& window)
    : QObject(&window)
    , model_(model)
    , window_(window) {
    connect(&model_.applying(), &ApplyState::changed, this, &DetailDialogs::refresh);
    refresh();
}

void DetailDialogs::refresh() {
    const ApplyState& state = model_.applying();
    if (state.isConfirmingTrash() && !trash_)
        openTrashConfirmation();
    else if (!state.isConfirmingTrash() && trash_)
        trash_->reject();
    if (state.isConfirmingApply() && !apply_)
        openApplyConfirmation();
    else if (!state.isConfirmingApply() && apply_)
        apply_->reject();
}

void DetailDialogs::openTrashConfirmation() {
    auto* box = new QMessageBox(QMessageBox::Warning, model_.applying().trashPrompt(),
                                model_.applying().trashPrompt(), QMessageBox::NoButton, &window_);
    box->setInformativeText(QStringLiteral(
        "You can put it back from the Trash. The space is freed once you empty the Trash."));
    QAbstractButton* move =
        box->addButton(QStringLiteral("Move to Trash"), QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(QMessageBox::Cancel));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    trash_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, move] {
        trash_ = nullptr;
        if (box->clickedButton() == move)
            model_.confirmTrash();
        model_.applying().setConfirmingTrash(false);
    });
    box->open();
}

void DetailDialogs::openApplyConfirmation() {
    const ApplyState& state = model_.applying();
    bool permanent = state.applyIncludesPermanentDelete();
    auto* box =
        new QMessageBox(permanent ? QMessageBox::Warning : QMessageBox::Question,
                        state.applyTitle(), state.applyTitle(), QMessageBox::NoButton, &window_);
    box->setInformativeText(
        state.applySummary() +
        (permanent ? QStringLiteral(" Emptying the Trash can’t be undone.")
                   : QStringLiteral(" Things moved to the Trash can be put back from Recent "
                                    "Actions.")));
    QAbstractButton* apply =
        permanent
            ? box->addButton(QStringLiteral("Apply and Empty Trash"), QMessageBox::DestructiveRole)
            : box->addButton(QStringLiteral("Apply"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    // Emptying the Trash for good is never what Return does.
    box->setDefaultButton(permanent ? cancel : static_cast<QPushButton*>(apply));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    apply_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, apply] {
        apply_ = nullptr;
        model_.applying().setConfirmingApply(false);
        if (box->clickedButton() == apply)
            model_.applyChecked();
    });
    box->open();
}

} // namespace tavelin
