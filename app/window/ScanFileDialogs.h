#pragma once

// The file dialogs of scan files: which one to open, and where to write an export.

#include <optional>
#include <string>

class QWidget;

namespace tavelin {

// Asks for a scan file to open over `parent`. Its path in the file system's own bytes, or
// nothing when the dialog is cancelled.
std::optional<std::string> chooseScanFile(QWidget* parent);

// Asks where to write the export of the folder named `folderName`, suggesting a file named
// after it. The chosen path, or nothing when the dialog is cancelled.
std::optional<std::string> chooseExportFile(QWidget* parent, const std::string& folderName);

} // namespace tavelin
