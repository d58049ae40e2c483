#pragma once

#include "util/Format.h"

namespace tavelin {

// Makes the user's number punctuation the global C++ locale that core's formatters read;
// a locale without digit grouping (such as "C") gets English grouping instead.
void installNumberLocale();

// Makes the units chosen in the settings (decimal unless binary was chosen) the ones core's
// formatters use in this process; the window and the commands without one both start with it.
void installByteUnits();
// Keeps `units` as the choice and uses them from now on.
void storeByteUnits(ByteUnits units);

} // namespace tavelin
