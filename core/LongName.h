#pragma once
// Long names as VFAT keeps them: a run of entries just before the short
// entry, last piece first, each holding 13 UTF-16 units and the checksum of
// the short name. A run counts only when it is sound: its pieces numbered
// down to 1 in order, the first of them marked as the last piece, no more
// than a 255-unit name needs, each with the checksum of the short entry
// that follows. Anything else is a stale or broken run, and the short
// entry stands by its own name.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/DirectoryArea.h"

namespace vellum {

class LongName {
public:
    using Entry = std::array<std::uint8_t, kDirEntrySize>;

    static constexpr std::size_t kMostUnits = 255; // UTF-16 code units

    // The checksum of a short name that each of its long-name entries carries.
    static std::uint8_t checksum(std::span<const std::uint8_t> shortName);
    // The long-name entries of a name, in directory order: last piece first.
    static std::vector<Entry> entries(std::u16string_view name, std::uint8_t checksum);
    // How many long-name entries a name of this many units takes.
    static std::size_t entriesFor(std::size_t units);

    // The length of the sound run just before the entry at `index` of a
    // directory's entries; 0 when there is none.
    static std::size_t runBefore(std::span<const std::uint8_t> directory, std::size_t index);
    // The name held by the run of `length` entries before `index`, in UTF-8.
    static std::string text(std::span<const std::uint8_t> directory, std::size_t index, std::size_t length);
};

} // namespace vellum
