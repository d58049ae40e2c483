#include "scan/ExtensionCounts.h"

#include <cstring>
#include <string>

namespace tavelin {
namespace {

constexpr uint64_t kUsed = uint64_t{1} << 63;
constexpr int kLengthShift = 32;

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Lower-cases the ASCII letters of eight bytes at once: a byte from 'A' to 'Z' is the one that
// passes 0x7F when 0x3F is added but not when 0x25 is.
uint64_t lowercased(uint64_t ascii) {
    uint64_t upper = (ascii + 0x3F3F3F3F3F3F3F3FULL) & ~(ascii + 0x2525252525252525ULL) & kHighBits;
    return ascii | upper >> 2;
}

size_t indexOf(uint64_t low, uint64_t high, size_t mask) {
    return static_cast<size_t>(((low + high * 0xC2B2AE3D27D4EB4FULL) * 0x9E3779B97F4A7C15ULL) >>
                               32) &
           mask;
}

} // namespace

ExtensionCounts::ExtensionCounts()
    : slots_(32) {}

void ExtensionCounts::add(std::string_view name, int64_t bytes, int64_t apparent) {
    std::string_view extension = ExtensionTally::extension(name);
    uint64_t words[2] = {0, 0};
    if (!extension.empty()) // an empty view may hold no pointer at all
        std::memcpy(words, extension.data(), extension.size());
    if (((words[0] | words[1]) & kHighBits) != 0) {
        beyondAscii_.add(name, bytes, apparent);
        return;
    }
    Slot& slot = slotFor(lowercased(words[0]),
                         lowercased(words[1]) | uint64_t{extension.size()} << kLengthShift | kUsed);
    slot.entry.bytes += bytes;
    slot.entry.files += 1;
    slot.entry.apparent += apparent;
}

ExtensionCounts::Slot& ExtensionCounts::slotFor(uint64_t low, uint64_t high) {
    if ((used_ + 1) * 2 > slots_.size())
        grow();
    size_t mask = slots_.size() - 1;
    for (size_t i = indexOf(low, high, mask);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.high == high && slot.low == low)
            return slot;
        if (slot.high == 0) {
            slot.low = low;
            slot.high = high;
            ++used_;
            return slot;
        }
    }
}

void ExtensionCounts::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    used_ = 0;
    for (const Slot& slot : old) {
        if (slot.high != 0)
            slotFor(slot.low, slot.high).entry = slot.entry;
    }
}

void ExtensionCounts::addTo(ExtensionTally& tally) const {
    for (const Slot& slot : slots_) {
        if (slot.high == 0)
            continue;
        size_t length = (slot.high >> kLengthShift) & 0xF;
        std::string key;
        for (size_t i = 0; i < length; ++i)
            key += static_cast<char>((i < 8 ? slot.low : slot.high) >> (i % 8 * 8));
        tally.addEntry(key, slot.entry);
    }
    tally.merge(beyondAscii_);
}

} // namespace tavelin
