#include "widgets/ExcludedFolders.h"

#include "widgets/SettingsKeys.h"

#include <QSettings>
#include <QStringList>

namespace tavelin::ExcludedFolders {

std::vector<std::string> stored() {
    std::vector<std::string> entries;
    for (const QString& entry : QSettings().value(SettingsKeys::excludedFolders).toStringList())
        entries.push_back(entry.toStdString());
    return entries;
}

void store(const std::vector<std::string>& entries) {
    QStringList list;
    for (const std::string& entry : entries)
        list << QString::fromStdString(entry);
    QSettings().setValue(SettingsKeys::excludedFolders, list);
}

Exclusions exclusions() {
    return Exclusions(stored());
}

} // namespace tavelin::ExcludedFolders
