#include "agents/AskAgentTip.h"

#include "model/AgentsState.h"
#include "widgets/SymbolIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>

namespace tavelin {

AskAgentTip::AskAgentTip(AgentsState& agents, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , agents_(agents)
    , title_(new QLabel(AgentsState::tipTitle(), this))
    , message_(new QLabel(agents.tipMessage(), this)) {
    setFrameShape(QFrame::StyledPanel);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    message_->setWordWrap(true);
    message_->setFixedWidth(320);
    auto* icon = new QLabel(this);
    icon->setPixmap(symbolIcon("sparkles").pixmap(24, 24));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("Close"));
    connect(close, &QToolButton::clicked, this, &QWidget::hide);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(title_, 0, 1);
    layout->addWidget(close, 0, 2, Qt::AlignTop);
    layout->addWidget(message_, 1, 1, 1, 2);
}

void AskAgentTip::showBelow(QWidget* anchor) {
    adjustSize();
    QPoint corner = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    move(corner.x() - width() / 2, corner.y() + 4);
    show();
}

void AskAgentTip::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    agents_.dismissTip();
}

} // namespace tavelin
