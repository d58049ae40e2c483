#include "window/LocationRow.h"

#include "model/AppModel.h"
#include "privacy/Privacy.h"
#include "widgets/FileIcons.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"

#include <QFileInfo>
#include <algorithm>

namespace tavelin {
namespace {

LocationRow diskRow(const platform::Volume& volume) {
    LocationRow row{symbolIcon("internaldrive"), QString::fromStdString(volume.name), std::nullopt,
                    std::nullopt, volume.scanPath};
    if (volume.isReadOnly) {
        row.detail = QStringLiteral("Read-only · ") + bytesText(volume.total);
        return row;
    }
    row.detail = bytesText(volume.free) + QStringLiteral(" free of ") + bytesText(volume.total);
    if (volume.total > 0)
        row.fraction = volume.usedShare();
    return row;
}

QIcon folderIcon(const std::string& path) {
    return fileIcon(QFileInfo(QString::fromStdString(path)));
}

} // namespace

std::vector<LocationRow> locationRows(const AppModel& model) {
    const std::string& home = model.userHome();
    std::vector<LocationRow> rows;
    for (const auto& volume : model.volumes())
        rows.push_back(diskRow(volume));
    rows.push_back({QIcon::fromTheme(QStringLiteral("user-home"), folderIcon(home)),
                    QStringLiteral("Home folder"), std::nullopt, std::nullopt, home});
    return rows;
}

std::vector<LocationRow> recentRows(const AppModel& model) {
    std::vector<LocationRow> rows;
    for (const auto& path : model.recents())
        rows.push_back({folderIcon(path), QString::fromStdString(Privacy::displayName(path)),
                        std::nullopt, std::nullopt, path});
    return rows;
}

} // namespace tavelin
