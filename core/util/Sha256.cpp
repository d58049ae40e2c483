#include "util/Sha256.h"

#include <openssl/evp.h>

namespace tavelin {

Sha256Digest sha256(std::span<const uint8_t> bytes) {
    Sha256Digest digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

void Sha256Hasher::ContextDeleter::operator()(evp_md_ctx_st* context) const {
    EVP_MD_CTX_free(context);
}

Sha256Hasher::Sha256Hasher()
    : context_(EVP_MD_CTX_new()) {
    if (context_ && EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1)
        context_.reset();
}

Sha256Hasher::~Sha256Hasher() = default;

bool Sha256Hasher::update(std::span<const uint8_t> bytes) {
    if (context_ && EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1)
        context_.reset();
    return context_ != nullptr;
}

std::optional<Sha256Digest> Sha256Hasher::finish() {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (!context_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 ||
        length != digest.size())
        return std::nullopt;
    context_.reset();
    return digest;
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
