#pragma once
// The 268-byte header at the start of every piece file: signature, the path
// of the file that was split, its size, this piece's number and the count.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vellum {

class SplitHeader {
public:
    static constexpr std::size_t kSize = 268;
    static constexpr std::size_t kPathSize = 256;
    // A set's number and count are single bytes.
    static constexpr unsigned kMaxPieces = 255;

    std::string sourcePath; // cut to kPathSize bytes when encoded
    std::uint32_t sourceSize = 0;
    std::uint8_t pieceNumber = 0;
    std::uint8_t pieceCount = 0;

    std::array<std::uint8_t, kSize> encode() const;
    // Reads the fields; the signature is checked separately.
    static SplitHeader decode(std::span<const std::uint8_t, kSize> bytes);
    static bool hasSignature(std::span<const std::uint8_t, kSize> bytes);
};

} // namespace vellum
