#pragma once

// One item the executor moved to the Trash: where it was, and where it is now.

#include "util/Hashing.h"

#include <string>

namespace tavelin {

struct TrashedItem {
    std::string original; // the path the item had
    std::string trashed;  // the path it has in the Trash
    bool operator==(const TrashedItem&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::TrashedItem> {
    size_t operator()(const tavelin::TrashedItem& item) const {
        return tavelin::hashValues(item.original, item.trashed);
    }
};
