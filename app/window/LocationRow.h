#pragma once

#include <QIcon>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

class AppModel;

// One row of the sidebar: a disk, the home folder or a recent folder, and what selecting it
// scans.
struct LocationRow {
    QIcon icon;
    QString title;
    std::optional<QString> detail;
    std::optional<double> fraction; // the used share, drawn as a small bar
    std::string scanPath;
};

// The "Locations" section: every disk, then the home folder.
std::vector<LocationRow> locationRows(const AppModel& model);
// The "Recent" section.
std::vector<LocationRow> recentRows(const AppModel& model);

} // namespace tavelin
