#pragma once

#include <QLabel>

namespace tavelin {

// A wrapped line of secondary text under a setting or a control, explaining it.
QLabel* captionLabel(const QString& text, QWidget* parent);

} // namespace tavelin
