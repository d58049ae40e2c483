#include "widgets/FolderChooser.h"

#include "widgets/SandboxAccess.h"

#include <QFile>
#include <QFileDialog>

namespace tavelin {

std::optional<std::string> askForFolder(QWidget* parent, const QString& message,
                                        const QString& accept, const std::string& start) {
    QFileDialog dialog(parent, message, QFile::decodeName(QByteArray::fromStdString(start)));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, accept);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

std::optional<std::string> chooseFolder(QWidget* parent) {
    auto folder = askForFolder(parent, QStringLiteral("Choose a folder or disk to scan."),
                               QStringLiteral("Scan"));
    if (folder)
        SandboxAccess::remember(*folder);
    return folder;
}

} // namespace tavelin
