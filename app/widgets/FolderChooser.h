#pragma once

#include <optional>
#include <string>

class QString;
class QWidget;

namespace tavelin {

// A modal dialog over `parent` that asks for one folder, directories only, showing `message` and
// confirmed with `accept`; it opens in `start` when given. The chosen folder's path in the file
// system's own bytes, or nothing when the dialog is cancelled.
std::optional<std::string> askForFolder(QWidget* parent, const QString& message,
                                        const QString& accept, const std::string& start = {});

// Asks for a folder or disk to scan over `parent`, confirmed with "Scan". A sandboxed process
// remembers the choice, so the scan may read it now and after the next launch. Nothing when the
// dialog is cancelled.
std::optional<std::string> chooseFolder(QWidget* parent);

} // namespace tavelin
