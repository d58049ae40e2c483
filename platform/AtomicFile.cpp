#include "platform/AtomicFile.h"

#include "platform/Descriptors.h"
#include "platform/ReplacingFile.h"

namespace tavelin::platform {

std::error_code replaceFile(const std::filesystem::path& file, std::string_view contents) {
    ReplacingFile replacing(file, 0600);
    if (replacing.error())
        return replacing.error();
    if (int error = writeAll(replacing.fd(), contents))
        return {error, std::system_category()};
    return replacing.commit();
}

} // namespace tavelin::platform
