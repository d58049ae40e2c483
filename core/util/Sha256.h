#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct evp_md_ctx_st;

namespace tavelin {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(std::span<const uint8_t> bytes);

// A digest taken piece by piece (OpenSSL's EVP interface, hardware accelerated where the
// processor can). Not shared between threads.
class Sha256Hasher {
public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    // False when the library fails; the digest is then lost.
    bool update(std::span<const uint8_t> bytes);
    // The digest of everything given so far; nothing after a failure.
    std::optional<Sha256Digest> finish();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> context_;
};

// Lower-case hexadecimal, two digits per byte.
std::string hexString(std::span<const uint8_t> bytes);

} // namespace tavelin
