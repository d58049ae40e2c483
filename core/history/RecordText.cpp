#include "history/RecordText.h"

#include "platform/Utf8.h"

namespace tavelin::History {

std::string recordText(std::string_view text) {
    return platform::validUtf8(text);
}

} // namespace tavelin::History
