#pragma once

// The hard-linked files one scan has met, shared by all its walkers so that a file with
// several names is counted once, by whichever walker meets it first.
// Thread safety: every member function may be called from any thread; `seen_` is guarded by
// `lock_`, which is never held while another scan lock is.

#include <cstdint>
#include <mutex>
#include <unordered_set>

namespace tavelin {

class LinkSet {
public:
    struct Key {
        uint64_t dev = 0;
        uint64_t ino = 0;
        bool operator==(const Key&) const = default;
    };

    // Records the file; returns false when it was already there.
    bool insert(Key key);

private:
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return key.ino * 0x9E3779B97F4A7C15ULL ^ key.dev;
        }
    };

    std::mutex lock_;
    std::unordered_set<Key, KeyHash> seen_; // guarded by lock_
};

} // namespace tavelin
