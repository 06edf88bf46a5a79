#pragma once
// The 32-byte FAT directory entry: field offsets, markers and attribute bits.
#include <cstddef>
#include <cstdint>

namespace vellum::dirent {

constexpr std::size_t kNameBytes = 8;
constexpr std::size_t kExtensionBytes = 3;
constexpr std::size_t kShortNameBytes = kNameBytes + kExtensionBytes;
constexpr std::size_t kAttributeOffset = 11;
constexpr std::size_t kTimeOffset = 22;
constexpr std::size_t kDateOffset = 24;
constexpr std::size_t kFirstClusterOffset = 26;
constexpr std::size_t kSizeOffset = 28;

constexpr std::uint8_t kEndOfDirectory = 0x00;
constexpr std::uint8_t kDeleted = 0xE5;

// Attribute bits as the entry holds them; the file list also uses the
// find-data bits kNormal and kCompressed.
constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kVolumeLabel = 0x08;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kLongName = 0x0F;
constexpr std::uint32_t kNormal = 0x80;
constexpr std::uint32_t kCompressed = 0x800;

} // namespace vellum::dirent
