#include "window/LocationRow.h"

#include "AppModel.h"
#include "privacy/Privacy.h"
#include "util/Format.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <algorithm>

namespace tavelin {
namespace {

QString bytes(int64_t value) {
    return QString::fromStdString(formatBytes(value));
}

LocationRow diskRow(const platform::Volume& volume) {
    static const QFileIconProvider provider;
    LocationRow row{
        QIcon::fromTheme(QStringLiteral("drive-harddisk"), provider.icon(QFileIconProvider::Drive)),
        QString::fromStdString(volume.name), std::nullopt, std::nullopt, volume.scanPath};
    if (volume.isReadOnly) {
        row.detail = QStringLiteral("Read-only · ") + bytes(volume.total);
        return row;
    }
    row.detail = bytes(volume.free) + QStringLiteral(" free of ") + bytes(volume.total);
    if (volume.total > 0)
        row.fraction = std::max(0.0, static_cast<double>(volume.total - volume.free) /
                                         static_cast<double>(volume.total));
    return row;
}

QIcon folderIcon(const std::string& path) {
    static const QFileIconProvider provider;
    return provider.icon(QFileInfo(QString::fromStdString(path)));
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
