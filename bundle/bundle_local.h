#pragma once
// Insides of the bundle library: the hash and small file helpers.

#include <nettle/sha2.h>

#include <cstddef>
#include <string>

namespace bundle {

// SHA-256 in pieces; nettle picks the processor's SHA instructions when it has them.
class Sha256 {
public:
    Sha256() { sha256_init(&ctx_); }
    void add(const void* data, std::size_t size) { sha256_update(&ctx_, size, static_cast<const std::uint8_t*>(data)); }
    std::string hex()
    {
        std::uint8_t digest[SHA256_DIGEST_SIZE];
        sha256_digest(&ctx_, sizeof digest, digest);
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (std::uint8_t b : digest) {
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        return out;
    }

private:
    sha256_ctx ctx_;
};

// Buffer size for file and archive reads.
inline constexpr std::size_t kBlockBytes = 1 << 20;

} // namespace bundle
