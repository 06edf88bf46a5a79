#pragma once
// CRC-16/ARC (reflected polynomial 0x8005, initial value 0, no final XOR):
// the check value stored with every track block of an image file.
#include <cstdint>
#include <span>

namespace vellum {

// Only the first size() modulo 65,536 bytes count: the length travels as a
// 16-bit value in the file, so longer spans wrap the way the format does.
std::uint16_t crc16(std::span<const std::uint8_t> data);

} // namespace vellum
