#include "widgets/SandboxAccess.h"

#include "platform/Directories.h"
#include "privacy/Privacy.h"
#include "util/Paths.h"
#include "widgets/FolderChooser.h"
#include "widgets/SettingsKeys.h"
#include "widgets/Texts.h"

#include <QApplication>
#include <QByteArray>
#include <QSettings>
#include <QVariant>

namespace tavelin::SandboxAccess {
namespace {

std::optional<std::string> showOpenPanel(const std::string& folder, const QString& message) {
    return askForFolder(QApplication::activeWindow(), message, QStringLiteral("Allow"), folder);
}

struct State {
    bool sandboxed = qEnvironmentVariableIsSet("APP_SANDBOX_CONTAINER_ID");
    std::vector<std::string> granted;
    Ask ask = showOpenPanel;
};

State& state() {
    static State shared;
    return shared;
}

// Anything stored under the key that is not a list of data counts as nothing stored.
QVariantList storedBookmarks(const QSettings& settings) {
    QVariant stored = settings.value(SettingsKeys::sandboxBookmarks);
    QVariantList bookmarks;
    if (stored.typeId() != QMetaType::QVariantList)
        return bookmarks;
    for (const QVariant& entry : stored.toList())
        if (entry.typeId() == QMetaType::QByteArray)
            bookmarks.append(entry);
    return bookmarks;
}

// A folder the bookmark still leads to, open as a place. A stored path with a NUL byte leads
// nowhere: the system would read it as the shorter path before the NUL.
platform::UniqueFd resolve(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {};
    return platform::openFolder(path.c_str());
}

bool startAccessing(const platform::UniqueFd& folder) {
    return static_cast<bool>(platform::openListing(folder.get()));
}

} // namespace

bool isSandboxed() {
    return state().sandboxed;
}

const std::vector<std::string>& granted() {
    return state().granted;
}

bool canRead(const std::string& path) {
    if (!isSandboxed())
        return true;
    for (const std::string& folder : granted())
        if (folder == path || isBelow(path, folder))
            return true;
    return false;
}

bool request(const std::string& path) {
    if (canRead(path))
        return true;
    std::string folder = path == kDataVolume || isBelow(path, kDataVolume) ? "/" : path;
    std::optional<std::string> chosen = state().ask(folder, requestMessage(folder));
    if (!chosen)
        return false;
    remember(*chosen);
    return canRead(path);
}

QString requestMessage(const std::string& folder) {
    QString subject =
        folder == "/"
            ? QStringLiteral("your disk")
            : QStringLiteral("“%1”").arg(QString::fromStdString(Privacy::displayName(folder)));
    return QStringLiteral("To measure ") + subject +
           linuxText(", Tavelin needs your permission. Click Allow. macOS remembers it, so you’re "
                     "asked once.");
}

void remember(const std::string& location) {
    if (!isSandboxed() || !resolve(location))
        return;
    state().granted.push_back(location);
    QSettings settings;
    QVariantList bookmarks = storedBookmarks(settings);
    bookmarks.append(QByteArray::fromStdString(location));
    settings.setValue(SettingsKeys::sandboxBookmarks, bookmarks);
}

void restore() {
    if (!isSandboxed())
        return;
    QSettings settings;
    QVariantList kept;
    for (const QVariant& bookmark : storedBookmarks(settings)) {
        std::string path = bookmark.toByteArray().toStdString();
        platform::UniqueFd folder = resolve(path);
        if (!folder || !startAccessing(folder))
            continue;
        state().granted.push_back(std::move(path));
        kept.append(bookmark);
    }
    settings.setValue(SettingsKeys::sandboxBookmarks, kept);
}

void resetForTesting(bool sandboxed, Ask ask) {
    state() = State{.sandboxed = sandboxed, .granted = {}, .ask = std::move(ask)};
}

} // namespace tavelin::SandboxAccess
