#include "watch/TrayItem.h"

#include "watch/DiskWatch.h"
#include "watch/FreeSpacePanel.h"
#include "watch/TrayIcon.h"
#include "watch/TrayLabel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace tavelin {

TrayItem::TrayItem(DiskWatch& watch, QObject* parent)
    : QObject(parent)
    , watch_(watch)
    , panel_(std::make_unique<FreeSpacePanel>(watch)) {
    // Some trays only ever show the menu, never report a click: every panel action is here too.
    connect(menu_.addAction(QStringLiteral("Free Space…")), &QAction::triggered, this,
            &TrayItem::showPanel);
    connect(menu_.addAction(QStringLiteral("Free-Space History…")), &QAction::triggered, this,
            &TrayItem::historyRequested);
    menu_.addSeparator();
    connect(menu_.addAction(QStringLiteral("Open Tavelin")), &QAction::triggered, this,
            &TrayItem::openRequested);
    connect(menu_.addAction(QStringLiteral("Quit")), &QAction::triggered, this,
            &TrayItem::quitRequested);
    icon_.setContextMenu(&menu_);

    connect(panel_.get(), &FreeSpacePanel::openRequested, this, &TrayItem::openRequested);
    connect(panel_.get(), &FreeSpacePanel::historyRequested, this, &TrayItem::historyRequested);
    connect(panel_.get(), &FreeSpacePanel::quitRequested, this, &TrayItem::quitRequested);
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayItem::activated);
    connect(&watch_, &DiskWatch::volumesChanged, this, &TrayItem::update);
    update();
    icon_.show();
}

TrayItem::~TrayItem() = default;

void TrayItem::update() {
    TrayLabel label = TrayLabel::of(watch_.boot());
    icon_.setIcon(TrayIcon::of(label));
    icon_.setToolTip(label.freeText.isEmpty() ? QStringLiteral("Tavelin")
                                              : label.freeText + QStringLiteral(" free"));
}

void TrayItem::activated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        showPanel();
}

void TrayItem::showPanel() {
    // Beside the tray when it says where it is, else at the pointer; kept on the screen.
    QRect tray = icon_.geometry();
    QPoint anchor = tray.isValid() ? tray.bottomLeft() : QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(anchor);
    panel_->adjustSize();
    QRect frame(anchor, panel_->size());
    if (screen) {
        QRect available = screen->availableGeometry();
        if (frame.bottom() > available.bottom())
            frame.moveBottom((tray.isValid() ? tray.top() : anchor.y()) - 1);
        frame.moveLeft(std::clamp(frame.left(), available.left(),
                                  std::max(available.left(), available.right() - frame.width())));
        frame.moveTop(std::max(frame.top(), available.top()));
    }
    panel_->move(frame.topLeft());
    panel_->show();
}

} // namespace tavelin
