#pragma once

// How much space the user wants back: a number of bytes, or everything that costs next to
// nothing. The goal picker offers a few steps; the default follows how full the disk is.

#include "util/Hashing.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavelin {

class Goal {
public:
    static Goal bytes(int64_t count) { return Goal(count); }
    static Goal asMuchAsSafe() { return Goal(std::nullopt); }

    bool isAsMuchAsSafe() const { return !bytes_; }
    // The bytes to free; nothing for "as much as safe".
    std::optional<int64_t> byteCount() const { return bytes_; }

    // The byte goals offered to the user, smallest first: 10, 25, 50 and 100 GB, or GiB where
    // sizes are shown in binary units, so each reads as a round figure.
    static std::array<int64_t, 4> steps();

    // The goal for a disk of `total` bytes with `free` available: enough to bring free space
    // back to 15 % of the disk, rounded up to the next step (the largest when none is enough),
    // or "as much as safe" when 15 % or more is already free.
    static Goal forDisk(int64_t total, int64_t free);

    // A goal as a person types it: "max-safe", or a number of bytes with an optional decimal or
    // binary unit, whichever units sizes are shown in ("20GB", "1.5 TB", "500mb", "20GiB",
    // "4096"). Nothing for anything else,
    // a goal below one byte or one too large to count.
    static std::optional<Goal> parsed(std::string_view text);

    bool operator==(const Goal&) const = default;

private:
    explicit Goal(std::optional<int64_t> count)
        : bytes_(count) {}

    std::optional<int64_t> bytes_;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::Goal> {
    size_t operator()(const tavelin::Goal& goal) const {
        return tavelin::hashValues(goal.byteCount());
    }
};
