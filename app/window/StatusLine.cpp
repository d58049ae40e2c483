#include "window/StatusLine.h"

#include "model/AppModel.h"
#include "widgets/Texts.h"

#include <cmath>

namespace tavelin {
namespace {

QString percent(int64_t part, int64_t whole) {
    double share = whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0;
    return QString::number(std::lround(share)) + QLatin1Char('%');
}

QString hoverText(const AppModel& model, const TreemapTile& tile) {
    const Node& folder = *model.current();
    QString label = QString::fromStdString(tile.label);
    QString size = bytesText(tile.size);
    QString share = percent(tile.size, folder.value(model.measure())) + QStringLiteral(" of ") +
                    QString::fromStdString(folder.name);
    const Node* node = tile.node();
    if (node && node->kind() == Node::Kind::remainder) {
        if (node->isScanning)
            return size + QStringLiteral(" of this disk’s used space not scanned yet");
        return label + QStringLiteral(" — ") + size +
               linuxText(": macOS, snapshots, and folders that couldn’t be read");
    }
    if (node && node->needsAccess)
        return label + linuxText(" — skipped, needs Full Disk Access");
    if (node && node->size > node->unique)
        return label + QStringLiteral(" — ") + bytesText(node->size) +
               QStringLiteral(" on disk; deleting it frees ") + bytesText(node->unique) +
               QStringLiteral(" (the rest is shared with copies) · ") + share;
    if (node && node->isScanning)
        return label + QStringLiteral(" — scanning, ") + bytesText(node->size) +
               QStringLiteral(" so far");
    return label + QStringLiteral(" — ") + size + QStringLiteral(" · ") + share;
}

QString excludedText(int64_t excluded) {
    if (excluded == 0)
        return {};
    return QStringLiteral(" · ") + countedText(excluded, "item") + QStringLiteral(" excluded");
}

} // namespace

QString elapsedText(double seconds) {
    if (seconds < 60)
        return QString::asprintf("%.1f s", seconds);
    auto whole = static_cast<int64_t>(seconds);
    return QString::number(whole / 60) + QStringLiteral(" min ") + QString::number(whole % 60) +
           QStringLiteral(" s");
}

QString statusLine(const AppModel& model) {
    if (const TreemapTile* tile = model.hoveredTile(); tile && model.current())
        return hoverText(model, *tile);
    const auto& session = model.session();
    if (session && session->isRunning())
        return countedText(session->files(), "file") + QStringLiteral(" · ") +
               bytesText(session->bytes()) + QStringLiteral(" · ") +
               QString::fromStdString(session->currentPath());
    if (model.notice())
        return *model.notice();
    if (session && session->endDate() && model.importedFrom())
        return countText(session->files()) + QStringLiteral(" files read from ") +
               quoted(model.importedFrom()->fileName);
    if (session && session->endDate())
        return countedText(session->files(), "file") + QStringLiteral(" in ") +
               elapsedText(session->elapsed()) + excludedText(session->excluded());
    return {};
}

} // namespace tavelin
