#pragma once
// The register block of every drive-services and sector-driver call: seven
// 32-bit registers in this order, sent in and returned in the same block. A
// buffer never travels in a register; it is passed beside the block.
#include <cstddef>
#include <cstdint>

namespace vellum {

struct REGS {
    std::uint32_t EBX = 0;
    std::uint32_t EDX = 0;
    std::uint32_t ECX = 0;
    std::uint32_t EAX = 0;
    std::uint32_t EDI = 0;
    std::uint32_t ESI = 0;
    std::uint32_t Flags = 0;
};

static_assert(sizeof(REGS) == 28);
static_assert(offsetof(REGS, EBX) == 0 && offsetof(REGS, EDX) == 4 && offsetof(REGS, ECX) == 8 &&
              offsetof(REGS, EAX) == 12 && offsetof(REGS, EDI) == 16 && offsetof(REGS, ESI) == 20 &&
              offsetof(REGS, Flags) == 24);

inline constexpr std::uint32_t kCarryFlag = 0x0001;
// Preset before a DOS call; still set on return means the service failed.
inline constexpr std::uint32_t kServiceFailedFlag = 0x8000;

inline constexpr std::uint16_t low16(std::uint32_t r) { return static_cast<std::uint16_t>(r); }
inline constexpr std::uint8_t low8(std::uint32_t r) { return static_cast<std::uint8_t>(r); }
inline constexpr std::uint8_t high8(std::uint32_t r) { return static_cast<std::uint8_t>(r >> 8); }

} // namespace vellum
