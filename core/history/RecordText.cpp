#include "history/RecordText.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tavelin::History {

std::string recordText(std::string_view text) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(text);
    // Let the JSON library apply its own replacement rule, the one used when records are saved.
    std::string quoted = nlohmann::json(std::string(text))
                             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return nlohmann::json::parse(quoted).get<std::string>();
}

} // namespace tavelin::History
