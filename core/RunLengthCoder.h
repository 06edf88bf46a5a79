#pragma once
// Run-length coder of image-file blocks (type 1). Each item is a control
// byte c and its data: with bit 7 set, one byte repeated c & 0x7F times;
// otherwise c bytes copied as they are.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellum {

// Encodes one track into work, which is zeroed first. Returns the encoded
// length; a result of work.size() or more means no gain, and work then holds
// nothing usable. Never writes past work.
std::size_t rle_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work);

// Decodes a payload into dest, the track. False when an item would write past
// dest or is cut short by the end of the payload; decoding stops there. A
// stream that fills less than dest is not an error here: the CRC decides.
bool rle_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest);

} // namespace vellum
