#include "util/Sha256.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <vector>

namespace tavelin {
namespace {

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

Context newContext() {
    Context context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        context.reset();
    return context;
}

std::optional<Sha256Digest> finish(EVP_MD_CTX* context) {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &length) != 1 || length != digest.size())
        return std::nullopt;
    return digest;
}

} // namespace

Sha256Digest sha256(std::span<const uint8_t> bytes) {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::optional<Sha256Digest> sha256OfFile(const std::string& path) {
    constexpr size_t kChunk = 1'048'576;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rbe"));
    Context context = newContext();
    if (!file || !context)
        return std::nullopt;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    std::vector<uint8_t> buffer(kChunk);
    for (;;) {
        size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), got) != 1)
            return std::nullopt;
        if (got < buffer.size())
            break;
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    return finish(context.get());
}

std::string hexString(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

} // namespace tavelin
