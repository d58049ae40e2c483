#pragma once

#include <QString>

namespace tavelin {

class AppModel;

// The line under the map: what the pointer is over, else the running scan's progress, else the
// model's notice, else how the last scan went; empty before any scan.
QString statusLine(const AppModel& model);

// "4.2 s" under a minute, else "3 min 5 s".
QString elapsedText(double seconds);

} // namespace tavelin
