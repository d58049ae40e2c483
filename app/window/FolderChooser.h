#pragma once

#include <optional>
#include <string>

class QWidget;

namespace tavelin {

// Asks for a folder or disk to scan in a modal dialog over `parent`: directories only, one at a
// time, confirmed with "Scan". Nothing when the dialog is cancelled.
std::optional<std::string> chooseFolder(QWidget* parent);

} // namespace tavelin
