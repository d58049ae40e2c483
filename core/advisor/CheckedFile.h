#pragma once

// A file as it was when its content was checked: enough to tell, right before a step acts on
// it, whether the path still holds that file with that content.

#include "platform/FileIdentity.h"
#include "util/Sha256.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

struct CheckedFile {
    std::string path;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t length = 0;
    platform::FileTime modified{};
    Sha256Digest digest{};

    static CheckedFile of(const platform::FileIdentity& identity, const Sha256Digest& digest) {
        return {identity.path,   identity.device,   identity.inode,
                identity.length, identity.modified, digest};
    }

    // Whether the file the path names now is the one checked, by identity, length and
    // modification time (the content needs its digest).
    bool isStill(const platform::FileIdentity& now) const {
        return now.device == device && now.inode == inode && now.length == length &&
               now.modified == modified;
    }

    bool operator==(const CheckedFile&) const = default;
};

// Identical files found together: the file that stays, and the copies (in the order of the
// step's paths) as they were when found identical to it.
struct CheckedCopies {
    CheckedFile keep;
    std::vector<CheckedFile> copies;
    bool operator==(const CheckedCopies&) const = default;
};

} // namespace tavelin
