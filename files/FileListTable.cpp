#include "files/FileListTable.h"

#include <algorithm>

namespace vellum {

void FileListTable::clear()
{
    slots_.fill(Slot{});
}

std::size_t FileListTable::load(const std::vector<ListingRecord>& listing)
{
    clear();
    const std::size_t kept = std::min(listing.size(), kSlots);
    for (std::size_t i = 0; i < kept; ++i)
        set(i, listing[i]);
    return listing.size() - kept;
}

bool FileListTable::set(std::size_t slot, ListingRecord record)
{
    if (slot >= kSlots)
        return false;
    slots_[slot] = Slot{State::Used, std::move(record)};
    return true;
}

void FileListTable::remove(std::size_t slot)
{
    if (slot < kSlots && slots_[slot].state == State::Used)
        slots_[slot] = Slot{State::Removed, {}};
}

bool FileListTable::empty() const
{
    return slots_[0].state == State::Empty;
}

std::vector<std::size_t> FileListTable::shownSlots() const
{
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < kSlots && slots_[i].state != State::Empty; ++i)
        if (slots_[i].state == State::Used)
            shown.push_back(i);
    return shown;
}

const ListingRecord* FileListTable::at(std::size_t slot) const
{
    return slot < kSlots && slots_[slot].state == State::Used ? &slots_[slot].record : nullptr;
}

ListingRecord* FileListTable::at(std::size_t slot)
{
    return slot < kSlots && slots_[slot].state == State::Used ? &slots_[slot].record : nullptr;
}

} // namespace vellum
