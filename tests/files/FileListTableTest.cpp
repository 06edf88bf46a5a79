// The file list's table of 256 slots.
#include <gtest/gtest.h>

#include "files/FileListTable.h"

namespace vellum {
namespace {

ListingRecord record(const std::string& name, std::uint32_t size)
{
    ListingRecord r;
    r.longName = name;
    r.shortName = name;
    r.size = size;
    r.attributes = 0x20;
    return r;
}

TEST(FileListTable, StopsAtTheFirstEmptySlotAndSkipsRemovedOnes)
{
    FileListTable table;
    EXPECT_TRUE(table.empty());
    for (std::size_t i = 0; i < 4; ++i)
        table.set(i, record("F" + std::to_string(i), 1));
    table.set(5, record("BEYOND", 1)); // after the empty slot 4: never shown
    table.remove(1);
    EXPECT_EQ(table.shownSlots(), (std::vector<std::size_t>{0, 2, 3}));
    EXPECT_FALSE(table.set(FileListTable::kSlots, record("X", 1)));
    table.remove(0);
    EXPECT_FALSE(table.empty()); // a removed first entry leaves no placeholder
    EXPECT_EQ(table.at(0), nullptr);
}

TEST(FileListTable, ADirectoryLargerThanTheTableKeepsItsFirst256Entries)
{
    std::vector<ListingRecord> listing;
    for (int i = 0; i < 300; ++i)
        listing.push_back(record("F" + std::to_string(i), static_cast<std::uint32_t>(i)));
    FileListTable table;
    EXPECT_EQ(table.load(listing), std::size_t{44});
    EXPECT_EQ(table.shownSlots().size(), FileListTable::kSlots);
    EXPECT_EQ(table.at(255)->longName, "F255");
}

} // namespace
} // namespace vellum
