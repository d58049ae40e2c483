#include "agents/ShareConfirmation.h"

#include "model/AppModel.h"
#include "widgets/SettingsKeys.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace tavelin {

ShareConfirmation::ShareConfirmation(AppModel& model, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , title_(new QLabel(this))
    , message_(new QLabel(this))
    , dontAsk_(new QCheckBox(QStringLiteral("Don’t ask again"), this)) {
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Ask AI"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    title_->setWordWrap(true);
    message_->setWordWrap(true);
    message_->setMinimumWidth(380);

    auto* buttons = new QDialogButtonBox(this);
    showReport_ = buttons->addButton(QStringLiteral("Show Report"), QDialogButtonBox::ResetRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    confirm_ = buttons->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole);
    confirm_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(message_);
    layout->addWidget(dontAsk_);
    layout->addWidget(buttons);

    connect(showReport_, &QPushButton::clicked, &model_, &AppModel::showReport);
    connect(buttons, &QDialogButtonBox::accepted, this, &ShareConfirmation::confirmed);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::rejected, &model_.agents(), &AgentsState::cancelConfirmation);
    connect(&model_.agents(), &AgentsState::changed, this, &ShareConfirmation::refresh);
    refresh();
}

void ShareConfirmation::refresh() {
    const AgentsState& agents = model_.agents();
    const auto& target = agents.shareCopiesInstead() ? std::nullopt : agents.agentWaiting();
    title_->setText(AgentsState::confirmationTitle(target));
    message_->setText(AgentsState::confirmationMessage(
        target, model_.current() ? model_.current()->name : std::string()));
    confirm_->setText(target ? QStringLiteral("Send") : QStringLiteral("Copy"));
    if (!agents.isConfirmingShare() && isVisible())
        hide();
}

void ShareConfirmation::confirmed() {
    if (dontAsk_->isChecked())
        QSettings().setValue(SettingsKeys::agentShareAcknowledged, true);
    auto target =
        model_.agents().shareCopiesInstead() ? std::nullopt : model_.agents().agentWaiting();
    hide();
    model_.share(target);
}

} // namespace tavelin
