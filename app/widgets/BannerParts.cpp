#include "widgets/BannerParts.h"

#include "widgets/SymbolIcons.h"

#include <QLabel>

namespace tavelin::BannerParts {

void tint(QWidget& banner) {
    banner.setAutoFillBackground(true);
    banner.setBackgroundRole(QPalette::AlternateBase);
}

QLabel* symbol(const char* name, QWidget* banner) {
    auto* icon = new QLabel(banner);
    icon->setPixmap(symbolIcon(name).pixmap(28, 28));
    return icon;
}

QLabel* headline(QWidget* banner) {
    auto* label = new QLabel(banner);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace tavelin::BannerParts
