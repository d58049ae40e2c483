#pragma once

// The hard-linked files one scan has met, shared by all its walkers so that a file with
// several names is counted once, by whichever walker meets it first, in the folder where it met
// it. Folders measured again after the scan claim their files through the same set: a file
// counted in another folder stays counted there, and one whose counted name has gone is
// counted again by the next folder measured that holds it.
// Thread safety: every member function may be called from any thread; `counted_` is guarded by
// `lock_`, which is never held while another scan lock is.

#include "platform/FileFacts.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tavelin {

class LinkSet {
public:
    struct Key {
        uint64_t dev = 0;
        uint64_t ino = 0;
        bool operator==(const Key&) const = default;
    };
    using Folder = platform::FileId;

    // A file with several names that a folder met, and whether it counts there.
    struct Claim {
        Key key;
        Folder folder;
        bool counts = false;
    };

    // Decides, all under one lock, whether each file counts in the folder that met it: where no
    // folder counts it yet, and from then on there. With `again` (folders measured again), a
    // file also counts in the folder that counts it already.
    void decide(std::vector<Claim>& claims, bool again);
    // After folders were measured again: their files that they no longer hold (`held` lists
    // what they do) count nowhere until a folder that holds them claims them.
    void release(const std::vector<Folder>& measured,
                 const std::vector<std::pair<Key, Folder>>& held);

private:
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return key.ino * 0x9E3779B97F4A7C15ULL ^ key.dev;
        }
    };
    struct FolderHash {
        size_t operator()(const Folder& folder) const {
            return folder.inode * 0x9E3779B97F4A7C15ULL ^ folder.device;
        }
    };

    std::mutex lock_;
    std::unordered_map<Key, Folder, KeyHash> counted_; // guarded by lock_
};

} // namespace tavelin
