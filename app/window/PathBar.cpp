#include "window/PathBar.h"

#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace tavelin {

PathBar::PathBar(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , layout_(new QHBoxLayout(this)) {
    layout_->setContentsMargins(6, 2, 6, 2);
    layout_->setSpacing(2);
    connect(&model_, &AppModel::currentChanged, this, &PathBar::rebuild);
    rebuild();
}

void PathBar::rebuild() {
    while (QLayoutItem* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (const Node::Ptr& current = model_.current()) {
        bool first = true;
        for (Node* node : current->lineage()) {
            if (!first) {
                auto* chevron = new QLabel(this);
                chevron->setPixmap(symbolIcon("chevron.right").pixmap(10, 10));
                layout_->addWidget(chevron);
            }
            first = false;
            auto* button = new QToolButton(this);
            button->setText(QString::fromStdString(node->name));
            button->setAutoRaise(true);
            Node::Ptr target = node->shared_from_this();
            connect(button, &QToolButton::clicked, this, [this, target] { model_.open(target); });
            layout_->addWidget(button);
        }
    }
    layout_->addStretch();
}

} // namespace tavelin
