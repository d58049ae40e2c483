#include "map/EmptyFolderView.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace tavelin {
EmptyFolderView::State EmptyFolderView::stateOf(const Node& folder) {
    if (folder.isScanning)
        return State::scanning;
    if (folder.isUnreadable)
        return State::unreadable;
    return State::empty;
}

EmptyFolderView::Texts EmptyFolderView::textsFor(const Node& folder) {
    switch (stateOf(folder)) {
    case State::scanning:
        return {QStringLiteral("Scanning ") + quoted(folder.name) + QStringLiteral("…"),
                bytesText(folder.size) + QStringLiteral(" so far"),
                {}};
    case State::unreadable:
        return {QStringLiteral("Can’t Read This Folder"),
                linuxText("Tavelin needs Full Disk Access to look inside “%1”.")
                    .arg(QString::fromStdString(folder.name)),
                "lock"};
    case State::empty:
        break;
    }
    return {QStringLiteral("Empty Folder"), QStringLiteral("Nothing here takes up space."),
            "folder"};
}

EmptyFolderView::EmptyFolderView(QWidget* parent)
    : QWidget(parent)
    , progress_(new QProgressBar(this))
    , symbol_(new QLabel(this))
    , title_(new QLabel(this))
    , description_(new QLabel(this)) {
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(160);
    QFont heading = title_->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    heading.setWeight(QFont::DemiBold);
    title_->setFont(heading);
    for (QLabel* label : {symbol_, title_, description_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
    }
    description_->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(progress_, 0, Qt::AlignHCenter);
    layout->addWidget(symbol_);
    layout->addWidget(title_);
    layout->addWidget(description_);
    layout->addStretch();
}

void EmptyFolderView::present(const Node& folder) {
    state_ = stateOf(folder);
    Texts texts = textsFor(folder);
    progress_->setVisible(state_ == State::scanning);
    symbol_->setVisible(texts.symbol != nullptr);
    if (texts.symbol)
        symbol_->setPixmap(symbolIcon(texts.symbol).pixmap(48, 48));
    title_->setText(texts.title);
    description_->setText(texts.description);
    QWidget::show();
}

QString EmptyFolderView::title() const {
    return title_->text();
}

QString EmptyFolderView::description() const {
    return description_->text();
}

} // namespace tavelin
