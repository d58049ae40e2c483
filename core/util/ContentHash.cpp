#include "util/ContentHash.h"

#include "platform/ContentFile.h"

#include <algorithm>
#include <memory>

namespace tavelin::ContentHash {

bool edges(const std::string& path, size_t bytes, std::vector<uint8_t>& into) {
    auto file = platform::ContentFile::open(path.c_str());
    if (!file)
        return false;
    auto length = static_cast<size_t>(file->size());
    size_t head = std::min(length, bytes);
    size_t tailStart = std::max(length > bytes ? length - bytes : 0, bytes);
    size_t tail = length > tailStart ? length - tailStart : 0;
    into.resize(head + tail);
    std::span<uint8_t> buffer(into);
    return file->readAt(0, buffer.first(head)) &&
           file->readAt(static_cast<int64_t>(tailStart), buffer.subspan(head));
}

std::optional<Sha256Digest> sha256(const std::string& path, const std::function<bool()>& stopped) {
    auto file = platform::ContentFile::open(path.c_str());
    if (!file)
        return std::nullopt;
    file->adviseSequential();
    // Not zeroed: every byte hashed was read first.
    auto buffer = std::make_unique_for_overwrite<uint8_t[]>(kChunkSize);
    Sha256Hasher hasher;
    int64_t total = 0;
    for (;;) {
        if (stopped && stopped())
            return std::nullopt;
        int64_t count = file->read({buffer.get(), kChunkSize});
        if (count < 0 || !hasher.update({buffer.get(), static_cast<size_t>(count)}))
            return std::nullopt;
        total += count;
        if (static_cast<size_t>(count) < kChunkSize)
            break;
    }
    if (total != file->size())
        return std::nullopt;
    return hasher.finish();
}

} // namespace tavelin::ContentHash
