#pragma once

// Puts file extensions into the kinds the kinds pane shows, by asking the system's MIME
// database what each extension is and taking the first kind its type is or inherits from.

#include "model/KindTotal.h"
#include "scan/ExtensionTally.h"
#include "scan/Measure.h"

#include <QString>
#include <vector>

namespace tavelin::KindCatalog {

struct Kind {
    QString name;
    QString symbol;
};

// The kind of an extension (without the dot); "Other" for an empty or unknown one.
Kind kindOf(const QString& extension);

// The tally grouped by kind, largest first, each kind's extensions largest first: in apparent
// bytes for the apparent measure, else in allocated bytes (the tally has no unique figure).
std::vector<KindTotal> totals(const ExtensionTally& tally, Measure measure);

} // namespace tavelin::KindCatalog
