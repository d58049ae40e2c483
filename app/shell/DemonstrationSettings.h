#pragma once

// The demonstration's own settings: while it lives, the application's settings are read from
// and written to an empty temporary folder, so a demonstration shows none of the user's state
// (recent folders, a goal, hidden suggestions) and leaves none behind. Ending it points the
// settings back at the desktop's configuration folders.
//
// One per process, made before any window; UI thread.

#include <QTemporaryDir>

namespace tavelin {

class DemonstrationSettings {
public:
    DemonstrationSettings();
    ~DemonstrationSettings();
    DemonstrationSettings(const DemonstrationSettings&) = delete;
    DemonstrationSettings& operator=(const DemonstrationSettings&) = delete;

private:
    QTemporaryDir folder_;
};

} // namespace tavelin
