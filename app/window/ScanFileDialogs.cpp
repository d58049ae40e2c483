#include "window/ScanFileDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace tavelin {
namespace {

const QString kOpenFilter =
    QStringLiteral("Scan files (*.json *.json.gz *.gz *.ncdu);;All files (*)");
// A save dialog gives the suggested name the first pattern's last extension: ".gz" keeps
// "name.json.gz" whole.
const QString kExportFilter = QStringLiteral("Scan files (*.json.gz *.json)");

std::optional<std::string> chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

} // namespace

std::optional<std::string> chooseScanFile(QWidget* parent) {
    QFileDialog dialog(parent,
                       QStringLiteral("Choose a scan file written by ncdu, gdu or Tavelin."));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(kOpenFilter);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
    return chosen(dialog);
}

std::optional<std::string> chooseExportFile(QWidget* parent, const std::string& folderName) {
    QString name = QString::fromStdString(folderName);
    // A whole disk's root is named "/", which no file can be.
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        name = QStringLiteral("scan");
    QFileDialog dialog(parent,
                       QStringLiteral("Export the scan for ncdu, gdu or Tavelin elsewhere."),
                       QDir::home().filePath(name + QStringLiteral(".json.gz")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(kExportFilter);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
    return chosen(dialog);
}

} // namespace tavelin
