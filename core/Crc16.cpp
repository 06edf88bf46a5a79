#include "core/Crc16.h"

#include <array>
#include <cstddef>

namespace vellum {

namespace {

constexpr std::uint16_t kReflectedPolynomial = 0xA001;
constexpr std::size_t kLengthModulus = 65'536;

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ kReflectedPolynomial)
                            : static_cast<std::uint16_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

} // namespace

std::uint16_t crc16(std::span<const std::uint8_t> data)
{
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : data.first(data.size() % kLengthModulus))
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ byte) & 0xFF]);
    return crc;
}

} // namespace vellum
