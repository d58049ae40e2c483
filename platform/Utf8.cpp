#include "platform/Utf8.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tavelin::platform {

std::string validUtf8(std::string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(text);
    // The JSON library's replacement rule, so that texts cleaned here read the same once a
    // JSON file stores them.
    std::string quoted = nlohmann::json(std::string(text))
                             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return nlohmann::json::parse(quoted).get<std::string>();
}

} // namespace tavelin::platform
