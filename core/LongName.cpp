#include "core/LongName.h"

#include <algorithm>
#include <utility>

#include "core/Bytes.h"
#include "core/DirectoryEntry.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

using namespace dirent;

constexpr std::uint8_t kLastPiece = 0x40;
constexpr std::size_t kUnitsPerEntry = 13;
constexpr std::size_t kChecksumOffset = 13;
constexpr std::size_t kMostEntries = (LongName::kMostUnits + kUnitsPerEntry - 1) / kUnitsPerEntry;
constexpr char16_t kPadding = 0xFFFF;

// UTF-16 code units of a long-name entry: 5 at 1, 6 at 14, 2 at 28.
constexpr std::pair<std::size_t, std::size_t> kPieces[] = {{1, 5}, {14, 6}, {28, 2}};

std::span<const std::uint8_t> entryAt(std::span<const std::uint8_t> directory, std::size_t index)
{
    return directory.subspan(index * kDirEntrySize, kDirEntrySize);
}

} // namespace

std::uint8_t LongName::checksum(std::span<const std::uint8_t> shortName)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kShortNameBytes && i < shortName.size(); ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + shortName[i]);
    return sum;
}

std::size_t LongName::entriesFor(std::size_t units)
{
    return (units + kUnitsPerEntry - 1) / kUnitsPerEntry;
}

std::vector<LongName::Entry> LongName::entries(std::u16string_view name, std::uint8_t sum)
{
    const std::size_t count = entriesFor(name.size());
    std::u16string units(name);
    if (units.size() % kUnitsPerEntry != 0)
        units.push_back(0);
    units.resize(count * kUnitsPerEntry, kPadding);
    std::vector<Entry> out;
    for (std::size_t k = count; k >= 1; --k) {
        Entry e{};
        e[0] = static_cast<std::uint8_t>(k | (k == count ? kLastPiece : 0));
        e[kAttributeOffset] = kLongName;
        e[kChecksumOffset] = sum;
        std::size_t unit = (k - 1) * kUnitsPerEntry;
        for (const auto& [offset, n] : kPieces)
            for (std::size_t u = 0; u < n; ++u, ++unit)
                putLe16(e, offset + 2 * u, units[unit]);
        out.push_back(e);
    }
    return out;
}

std::size_t LongName::runBefore(std::span<const std::uint8_t> directory, std::size_t index)
{
    const std::uint8_t sum = checksum(entryAt(directory, index));
    for (std::size_t k = 1; k <= kMostEntries && k <= index; ++k) {
        const auto piece = entryAt(directory, index - k);
        if (piece[kAttributeOffset] != kLongName || piece[kChecksumOffset] != sum ||
            static_cast<std::uint8_t>(piece[0] & ~kLastPiece) != k)
            return 0;
        if (piece[0] & kLastPiece)
            return k;
    }
    return 0;
}

std::string LongName::text(std::span<const std::uint8_t> directory, std::size_t index, std::size_t length)
{
    std::vector<std::uint16_t> units;
    for (std::size_t k = 1; k <= length; ++k) {
        const auto piece = entryAt(directory, index - k);
        for (const auto& [offset, count] : kPieces)
            for (std::size_t u = 0; u < count; ++u)
                units.push_back(le16(piece, offset + 2 * u));
    }
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    return TextCodec::utf16ToUtf8(units);
}

} // namespace vellum
