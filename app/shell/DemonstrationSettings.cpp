#include "shell/DemonstrationSettings.h"

#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>

namespace tavelin {
namespace {

void settingsIn(const QString& user, const QString& system) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, user);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system);
}

} // namespace

DemonstrationSettings::DemonstrationSettings() {
    settingsIn(folder_.path(), folder_.path());
}

DemonstrationSettings::~DemonstrationSettings() {
    settingsIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
               QLibraryInfo::path(QLibraryInfo::SettingsPath));
}

} // namespace tavelin
