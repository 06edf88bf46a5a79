#pragma once
// The SHA-256 of a run of bytes, as sha256sum prints it: 64 lowercase
// hexadecimal digits. Computed by nettle.
#include <cstdint>
#include <span>
#include <string>

namespace vellum::cli {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace vellum::cli
