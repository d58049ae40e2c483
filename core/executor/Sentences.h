#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavelin::Executor {

// The sentences of a message joined by single spaces; nothing when there are none.
inline std::optional<std::string> joinedSentences(const std::vector<std::string>& sentences) {
    if (sentences.empty())
        return std::nullopt;
    std::string text = sentences.front();
    for (size_t i = 1; i < sentences.size(); ++i)
        text += " " + sentences[i];
    return text;
}

} // namespace tavelin::Executor
