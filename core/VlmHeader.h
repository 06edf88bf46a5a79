#pragma once
// The 128-byte header of a .VLM image file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vellum {

struct VlmHeader {
    static constexpr std::size_t kSize = 128;
    static constexpr std::size_t kDescriptionLength = 60; // a NUL always follows
    static constexpr std::uint32_t kMagic = 0x4D4C561A;  // 0x1A "VLM", little-endian

    std::uint32_t magic = kMagic;
    std::string description; // UTF-8 here, Windows-1252 in the file
    std::uint8_t formatCode = 0;
    std::uint8_t blockCount = 0;
    std::array<char, 12> volumeLabel{};
    std::uint32_t mediaCode = 0;

    bool magicOk() const { return magic == kMagic; }

    static VlmHeader parse(std::span<const std::uint8_t, kSize> bytes);
    std::array<std::uint8_t, kSize> serialize() const;
};

} // namespace vellum
