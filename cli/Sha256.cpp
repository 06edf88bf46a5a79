#include "cli/Sha256.h"

#include <array>
#include <cstdio>
#include <nettle/sha2.h>

namespace vellum::cli {

std::string sha256Hex(std::span<const std::uint8_t> bytes)
{
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), bytes.data());
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    std::string hex;
    for (const std::uint8_t b : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

} // namespace vellum::cli
