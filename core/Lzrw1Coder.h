#pragma once
// LZRW1 coder of image-file blocks (type 3), Ross Williams' published
// algorithm. A 4-byte flag header (byte 0: 0 compressed, 1 copied) is
// followed, when compressed, by groups of a 16-bit little-endian control
// word and up to 16 items: a literal byte (bit 0) or a two-byte copy of 3 to
// 16 bytes from 1 to 4,095 bytes back (bit 1).
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellum {

// A step's worst output (16 copy items and a control word) and the control
// word the end may give back.
inline constexpr std::size_t kLzrw1Slack = 36;

// Encodes one track into work. When the output grows past the track size the
// track is copied after a header with flag 1 and src.size() + 4 is returned,
// which is never a gain. A result above work.size() means even the copy did
// not fit and work holds nothing usable. Never writes past work; a work span
// of at least src.size() + 34 bytes gives the published output exactly.
// A work span of bound + kLzrw1Slack bytes, for any bound up to src.size(),
// gives that exact output whenever it is shorter than bound, and a result of
// bound or more otherwise: room enough to tell whether the coder wins.
std::size_t lzrw1_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work);

// Decodes a payload into dest, the track. False for a payload shorter than
// the header, an item cut short, a copy reaching before the start of dest
// (or with offset 0), or anything that would write past dest.
bool lzrw1_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest);

} // namespace vellum
