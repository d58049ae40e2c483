#include "window/FolderChooser.h"

#include <QFileDialog>

namespace tavelin {

std::optional<std::string> chooseFolder(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose a folder or disk to scan."));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Scan"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

} // namespace tavelin
