#pragma once

// Where a scan shown or reported came from when it was read from a scan file rather than
// measured here.

#include "util/Dates.h"

#include <optional>
#include <string>

namespace tavelin {

struct ScanSource {
    std::string writer;   // the tool that measured it, with its version: "ncdu 1.18"
    std::string fileName; // the file it was read from: "server.json.gz"
    std::optional<Date> written{};
};

} // namespace tavelin
