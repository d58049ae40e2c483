#pragma once

// Hashes of value types made of several fields, for std::hash specialisations.

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace tavelin {

template <typename T>
void hashCombine(size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <typename T>
void hashCombine(size_t& seed, const std::vector<T>& values) {
    hashCombine(seed, values.size());
    for (const T& value : values)
        hashCombine(seed, value);
}

template <typename T>
void hashCombine(size_t& seed, const std::optional<T>& value) {
    hashCombine(seed, value.has_value());
    if (value)
        hashCombine(seed, *value);
}

template <typename... T>
size_t hashValues(const T&... values) {
    size_t seed = 0;
    (hashCombine(seed, values), ...);
    return seed;
}

} // namespace tavelin
