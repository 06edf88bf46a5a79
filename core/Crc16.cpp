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

// Slicing by eight: kSlices[k][b] is the CRC of byte b followed by k zero
// bytes, so eight bytes are folded in with eight independent look-ups.
constexpr std::size_t kSliceBytes = 8;
using SliceTables = std::array<std::array<std::uint16_t, 256>, kSliceBytes>;

constexpr SliceTables makeSlices()
{
    SliceTables slices{};
    slices[0] = kTable;
    for (std::size_t k = 1; k < kSliceBytes; ++k)
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint16_t prev = slices[k - 1][i];
            slices[k][i] = static_cast<std::uint16_t>((prev >> 8) ^ kTable[prev & 0xFF]);
        }
    return slices;
}

constexpr SliceTables kSlices = makeSlices();

} // namespace

std::uint16_t crc16(std::span<const std::uint8_t> data)
{
    const auto bytes = data.first(data.size() % kLengthModulus);
    std::uint16_t crc = 0;
    std::size_t i = 0;
    for (; bytes.size() - i >= kSliceBytes; i += kSliceBytes) {
        const auto* b = bytes.data() + i;
        const unsigned low = (crc ^ b[0]) & 0xFF;
        const unsigned high = ((crc >> 8) ^ b[1]) & 0xFF;
        crc = static_cast<std::uint16_t>(kSlices[7][low] ^ kSlices[6][high] ^ kSlices[5][b[2]] ^
                                         kSlices[4][b[3]] ^ kSlices[3][b[4]] ^ kSlices[2][b[5]] ^
                                         kSlices[1][b[6]] ^ kSlices[0][b[7]]);
    }
    for (; i < bytes.size(); ++i)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTable[(crc ^ bytes[i]) & 0xFF]);
    return crc;
}

} // namespace vellum
