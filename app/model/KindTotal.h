#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace tavelin {

// One row of the kinds pane: a category of files with the extensions counted under it.
struct KindTotal {
    struct Extension {
        QString ext; // "." and the extension, or "(none)"
        int64_t bytes = 0;
        int64_t files = 0;
    };
    QString name;
    QString symbol;
    int64_t bytes = 0;
    int64_t files = 0;
    std::vector<Extension> extensions;
};

} // namespace tavelin
