#pragma once

// What emptying a Trash may erase: the items it held when the user confirmed, each with its
// identity. Emptying erases exactly these, never what arrived since, so whatever the same batch
// moves to the Trash stays there and can be put back.

#include "platform/Trash.h"

#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct TrashListing {
    std::string trash;                                     // the folder with `files/` and `info/`
    std::optional<std::vector<platform::TrashItem>> items; // nothing when it could not be listed
    bool operator==(const TrashListing&) const = default;
};

} // namespace tavelin
