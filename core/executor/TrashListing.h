#pragma once

// What emptying the Trash may erase: the entries the Trash held when the user confirmed, each
// with its identity. Emptying erases exactly these, never what arrived since, so whatever the
// same batch moves to the Trash stays there and can be put back.

#include "platform/Trash.h"

#include <string>
#include <vector>

namespace tavelin {

struct TrashListing {
    std::string filesFolder; // the Trash's `files/` folder
    std::vector<platform::TrashEntry> entries;
    bool operator==(const TrashListing&) const = default;
};

} // namespace tavelin
