#pragma once

// The tray item's icon: the startup disk's free space written into it, since a tray shows an
// icon and no text beside it. Light figures on a dark tile, red when the disk is low; the
// figure is set as large as the tile allows, so it stays legible at 16 pixels.

#include "watch/TrayLabel.h"

#include <QIcon>
#include <QPixmap>

namespace tavelin::TrayIcon {

// The icon at the sizes trays ask for; the label's symbol alone when it has no figure.
QIcon of(const TrayLabel& label);
// The figure drawn on a square of `size` pixels.
QPixmap drawn(const TrayLabel& label, int size);

} // namespace tavelin::TrayIcon
