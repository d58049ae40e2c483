#pragma once

// The help texts of the info button that items with a popover carry: the small files of a
// folder, the used space not scanned or not placed, and folders skipped for want of access or
// that could not be read.

#include "scan/Node.h"

#include <QString>

namespace tavelin::InfoButton {

// The button's help text; empty for a node without a popover.
QString help(const Node& node);

} // namespace tavelin::InfoButton
