#pragma once

#include <QIcon>

namespace tavelin {

// The icon for a symbol name used across the interface ("folder", "chevron.left", …): the
// desktop theme's matching icon, else a standard style icon, else an empty icon.
QIcon symbolIcon(const char* symbol);

} // namespace tavelin
