#include "widgets/SymbolIcons.h"

#include <QApplication>
#include <QStyle>
#include <cstring>

namespace tavelin {
namespace {

struct Mapping {
    const char* symbol;
    const char* theme;
    QStyle::StandardPixmap fallback;
};

constexpr Mapping kMappings[] = {
    {"chevron.left", "go-previous", QStyle::SP_ArrowBack},
    {"chevron.right", "go-next", QStyle::SP_ArrowForward},
    {"stop.fill", "process-stop", QStyle::SP_BrowserStop},
    {"arrow.clockwise", "view-refresh", QStyle::SP_BrowserReload},
    {"folder", "folder-open", QStyle::SP_DirOpenIcon},
    {"folder.badge.plus", "folder-new", QStyle::SP_FileDialogNewFolder},
    {"trash", "user-trash", QStyle::SP_TrashIcon},
    {"sidebar.right", "view-right-pane", QStyle::SP_FileDialogDetailedView},
    {"internaldrive", "drive-harddisk", QStyle::SP_DriveHDIcon},
    {"exclamationmark.triangle.fill", "dialog-warning", QStyle::SP_MessageBoxWarning},
    {"externaldrive", "drive-removable-media", QStyle::SP_DriveHDIcon},
    {"doc", "text-x-generic", QStyle::SP_FileIcon},
    {"doc.on.doc", "edit-copy", QStyle::SP_FileIcon},
    {"doc.text", "text-x-generic", QStyle::SP_FileIcon},
    {"doc.richtext", "x-office-document", QStyle::SP_FileIcon},
    {"film", "video-x-generic", QStyle::SP_MediaPlay},
    {"waveform", "audio-x-generic", QStyle::SP_MediaVolume},
    {"photo", "image-x-generic", QStyle::SP_FileIcon},
    {"archivebox", "package-x-generic", QStyle::SP_FileIcon},
    {"chevron.left.forwardslash.chevron.right", "text-x-script", QStyle::SP_FileIcon},
    {"gearshape", "application-x-executable", QStyle::SP_ComputerIcon},
    {"cylinder", "x-office-spreadsheet", QStyle::SP_FileIcon},
    {"textformat", "font-x-generic", QStyle::SP_FileIcon},
    {"cube", "applications-graphics", QStyle::SP_FileIcon},
    {"hourglass", "appointment-soon", QStyle::SP_BrowserReload},
    {"equal.circle", "emblem-default", QStyle::SP_DialogApplyButton},
    {"plus.circle.fill", "list-add", QStyle::SP_ArrowUp},
    {"minus.circle.fill", "list-remove", QStyle::SP_ArrowDown},
    {"arrow.up.circle.fill", "go-up", QStyle::SP_ArrowUp},
    {"arrow.down.circle.fill", "go-down", QStyle::SP_ArrowDown},
    {"lock", "emblem-readonly", QStyle::SP_MessageBoxWarning},
    {"info.circle", "dialog-information", QStyle::SP_MessageBoxInformation},
    {"square.stack.3d.up", "view-list-details", QStyle::SP_FileDialogListView},
    {"clock.arrow.circlepath", "document-open-recent", QStyle::SP_BrowserReload},
    {"sparkles", "starred", QStyle::SP_DialogHelpButton},
    {"terminal", "utilities-terminal", QStyle::SP_ComputerIcon},
    {"bubble.left", "internet-chat", QStyle::SP_MessageBoxInformation},
    {"person.crop.circle", "user-home", QStyle::SP_DirHomeIcon},
    {"apple.logo", "computer", QStyle::SP_ComputerIcon},
    {"leaf", "edit-clear", QStyle::SP_DialogResetButton},
    {"circle.dashed", "drive-harddisk", QStyle::SP_DriveHDIcon},
    {"ellipsis.circle", "open-menu", QStyle::SP_ToolBarHorizontalExtensionButton},
    {"arrow.up.forward.app", "document-open", QStyle::SP_DialogOpenButton},
    {"magnifyingglass", "edit-find", QStyle::SP_FileDialogContentsView},
    // The advisor's categories.
    {"arrow.down.circle", "folder-download", QStyle::SP_ArrowDown},
    {"photo.on.rectangle", "folder-pictures", QStyle::SP_FileIcon},
    {"square.on.square", "edit-copy", QStyle::SP_FileIcon},
    {"icloud", "folder-cloud", QStyle::SP_DriveNetIcon},
    {"app.dashed", "application-x-executable", QStyle::SP_ComputerIcon},
    {"message", "mail-message", QStyle::SP_MessageBoxInformation},
    {"music.note", "audio-x-generic", QStyle::SP_MediaVolume},
    {"hammer", "applications-development", QStyle::SP_FileIcon},
};

} // namespace

QIcon symbolIcon(const char* symbol) {
    for (const Mapping& mapping : kMappings)
        if (std::strcmp(mapping.symbol, symbol) == 0)
            return QIcon::fromTheme(QLatin1String(mapping.theme),
                                    QApplication::style()->standardIcon(mapping.fallback));
    return {};
}

} // namespace tavelin
