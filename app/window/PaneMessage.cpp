#include "window/PaneMessage.h"

#include "widgets/SymbolIcons.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tavelin {

PaneMessage::PaneMessage(QWidget* parent)
    : QWidget(parent)
    , symbol_(new QLabel(this))
    , title_(new QLabel(this))
    , text_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    for (QLabel* label : {symbol_, title_, text_}) {
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    layout->addStretch();
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title_->setFont(titleFont);
    text_->setWordWrap(true);
    text_->setForegroundRole(QPalette::PlaceholderText);
}

void PaneMessage::set(const QString& title, const char* symbol, const QString& text) {
    symbol_->setPixmap(symbolIcon(symbol).pixmap(40, 40));
    title_->setText(title);
    text_->setText(text);
}

QString PaneMessage::title() const {
    return title_->text();
}

QString PaneMessage::text() const {
    return text_->text();
}

} // namespace tavelin
