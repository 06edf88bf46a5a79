#pragma once
// Changes the FAT12 volume in the image store: frees clusters, marks
// entries deleted and writes new names into the directory listed last, with
// their long-name entries. It works on the reader's working areas, keeps
// the directory copy in step with the image and relists the directory after
// a change, so the file list shows what the image now holds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/DirectoryArea.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/FatTable.h"
#include "core/LongName.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class Fat12Writer {
public:
    using ShortName = std::array<std::uint8_t, dirent::kShortNameBytes>;
    using Entry = LongName::Entry;

    Fat12Writer(CVLMDoc& doc, Prompter& prompter);

    // The short name for a long one: upper case, characters a short name
    // cannot hold replaced, a "~N" tail when something was lost or the name
    // is taken. `taken` tells whether a short name is in use.
    static ShortName shortNameFor(std::u16string_view longName, const std::function<bool(const ShortName&)>& taken);
    // A short name as the list shows it, without its padding.
    static std::string shortNameText(const ShortName& shortName);
    // True when the name is its own short name, so it needs no long-name entries.
    static bool isOwnShortName(std::u16string_view name, const ShortName& shortName);
    // The directory slots an entry of this name takes, long-name entries included.
    static std::size_t slotsFor(std::u16string_view name, const ShortName& shortName);
    // An entry's slots in directory order: the long-name run of `name`,
    // when its short entry does not hold it already, then the short entry.
    static std::vector<Entry> entriesOf(std::u16string_view name, const Entry& shortEntry);

    // The directory-copy index of the first of `count` free slots in a row,
    // counting the slots in `alsoFree` as free; nothing when none are.
    std::optional<std::size_t> allocateSlots(std::size_t count, std::span<const std::size_t> alsoFree = {}) const;
    // Free slots of the directory shown, in any place.
    std::size_t freeSlots() const;
    // Writes an entry at a directory-copy index, in the copy and the image.
    void writeSlot(std::size_t index, std::span<const std::uint8_t> entry);
    // Writes an entry's slots from `at` on. Long-name pieces just before
    // `at` belong to no entry (their short entry would stand at `at`), and
    // would seem to name this one: they are deleted.
    void writeEntries(std::size_t at, std::span<const Entry> entries);
    // The index of the entry at `index` and of the long-name pieces just
    // before it, its own run or stale pieces that lead to it.
    std::vector<std::size_t> entrySlots(std::size_t index) const;
    // Marks the entry and the long-name pieces before it deleted.
    void markDeleted(std::size_t index);

    // True when an entry of the directory shown, other than the one at
    // `except`, goes by this short name: as its own, or as its long name.
    bool shortNameTaken(const ShortName& name, std::optional<std::size_t> except = std::nullopt) const;
    // False for a long name holding a character FAT names cannot hold.
    static bool isLegalName(std::u16string_view name);

    // Takes `count` free clusters first-fit, chains them in FAT 1, mirrors
    // them to FAT 2 and zeroes their data; nothing, and no change, when
    // fewer are free.
    std::optional<std::vector<std::uint16_t>> allocateChain(std::size_t count);
    // Adds one zeroed cluster to the subdirectory shown and lists it again;
    // false for the root, whose size is fixed, for a directory as large as
    // the directory copy, or on a full diskette.
    bool growDirectory();

    // The bytes of a data cluster, to be written; nothing for a cluster outside the volume.
    std::span<std::uint8_t> clusterData(std::uint32_t cluster);

    // Lists the current directory again from the image.
    Fat12Reader::Outcome relist();

    Fat12Reader& reader() { return reader_; }
    FatTable& fat() { return fat_; }
    const FatTable& fat() const { return fat_; }
    // The first cluster of the directory shown; 0 for the root.
    std::uint16_t currentCluster() const;

private:
    std::size_t slotCapacity() const;
    bool put(std::size_t index, std::span<const std::uint8_t> entry);
    void deleteSlot(std::size_t index);

    CVLMDoc& doc_;
    Fat12Reader reader_;
    FatTable fat_;
};

} // namespace vellum
