#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tavelin {

// Lets hashed containers of strings be searched with a string_view, without building a string.
struct StringHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

using PathSet = std::unordered_set<std::string, StringHash, std::equal_to<>>;

} // namespace tavelin
