#pragma once
// The file list's table: 256 slots holding the entries of the directory
// shown. The first empty slot ends the list; a removed entry leaves its slot
// marked, and the list skips it.
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "core/DirectoryArea.h"

namespace vellum {

class FileListTable {
public:
    static constexpr std::size_t kSlots = 256;

    // Empties every slot.
    void clear();
    // Replaces the table with a directory's listing; returns how many of its
    // entries did not fit.
    std::size_t load(const std::vector<ListingRecord>& listing);
    // False when the slot lies beyond the table.
    bool set(std::size_t slot, ListingRecord record);
    void remove(std::size_t slot);

    // No entry in slot 0: the list shows its placeholder.
    bool empty() const;
    // The slots shown, in order.
    std::vector<std::size_t> shownSlots() const;
    const ListingRecord* at(std::size_t slot) const;
    ListingRecord* at(std::size_t slot);

private:
    enum class State { Empty, Removed, Used };
    struct Slot {
        State state = State::Empty;
        ListingRecord record;
    };
    std::array<Slot, kSlots> slots_;
};

} // namespace vellum
