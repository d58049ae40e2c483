#include "watch/TrayIcon.h"

#include "widgets/SymbolIcons.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

namespace tavelin::TrayIcon {
namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

} // namespace

QPixmap drawn(const TrayLabel& label, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QRectF tile(0.5, 0.5, size - 1.0, size - 1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(label.isLow ? QColor(210, 40, 40) : QColor(58, 58, 62));
    painter.drawRoundedRect(tile, size * 0.2, size * 0.2);

    // The largest bold size whose figure fits the tile, a pixel clear of each side.
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setStretch(QFont::SemiCondensed);
    double room = size - 2.0;
    for (double pixels = size * 0.7; pixels >= 5; pixels -= 0.5) {
        font.setPixelSize(static_cast<int>(pixels));
        if (QFontMetricsF(font).horizontalAdvance(label.figure) <= room)
            break;
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(tile, Qt::AlignCenter, label.figure);
    return pixmap;
}

QIcon of(const TrayLabel& label) {
    if (label.figure.isEmpty())
        return symbolIcon(label.symbol);
    QIcon icon;
    for (int size : kSizes)
        icon.addPixmap(drawn(label, size));
    return icon;
}

} // namespace tavelin::TrayIcon
