#pragma once

// Bytes (allocated and apparent) and file counts per lower-cased file extension, for a whole
// scan.

#include "util/StringHash.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tavelin {

class ExtensionTally {
public:
    struct Entry {
        int64_t bytes = 0; // allocated
        int64_t files = 0;
        int64_t apparent = 0;
        bool operator==(const Entry&) const = default;
    };

    using Entries = std::unordered_map<std::string, Entry, StringHash, std::equal_to<>>;

    // Counts one file under its extension key: the text after the last dot, lower-cased, when
    // that dot is not the first character and the extension is at most 12 bytes; otherwise the
    // empty key.
    void add(std::string_view name, int64_t bytes, int64_t apparent);
    // Adds figures to the entry of a key as given.
    void addEntry(std::string_view key, const Entry& entry);
    void merge(const ExtensionTally& other);

    const Entries& entries() const { return entries_; }

    // The key `add` files a name under.
    static std::string key(std::string_view name);
    // The part of a name its key is made of, before lower-casing.
    static std::string_view extension(std::string_view name);

    static constexpr size_t kMaxKeyBytes = 12;

private:
    Entries entries_;
};

// A tally background walkers fill and hand back to the UI thread. The walks of one job (a walk
// and those it gave folders to) each add what they counted as they end.
// Thread safety: `value` is guarded by `lock` while walks may add to it.
struct TallyBox {
    std::mutex lock;
    ExtensionTally value; // guarded by lock
};

} // namespace tavelin
