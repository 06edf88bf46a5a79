#pragma once
// Changes the FAT12 volume in the image store: frees cluster chains, marks
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
#include "core/Fat12Reader.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class Fat12Writer {
public:
    using ShortName = std::array<std::uint8_t, 11>;
    using Entry = std::array<std::uint8_t, kDirEntrySize>;

    static constexpr std::size_t kMaxLongName = 255; // UTF-16 code units

    Fat12Writer(CVLMDoc& doc, Prompter& prompter);

    // The checksum of a short name that each of its long-name entries carries.
    static std::uint8_t checksum(std::span<const std::uint8_t> shortName);
    // The long-name entries of a name, in directory order: last piece first.
    static std::vector<Entry> longNameEntries(std::u16string_view name, std::uint8_t checksum);
    // The short name for a long one: upper case, characters a short name
    // cannot hold replaced, a "~N" tail when something was lost or the name
    // is taken. `taken` tells whether a short name is in use.
    static ShortName shortNameFor(std::u16string_view longName, const std::function<bool(const ShortName&)>& taken);
    // True when the name is its own short name, so it needs no long-name entries.
    static bool isOwnShortName(std::u16string_view name, const ShortName& shortName);
    // The directory slots an entry of this name takes, long-name entries included.
    static std::size_t slotsFor(std::u16string_view name, const ShortName& shortName);

    // The directory-copy index of the first of `count` free slots in a row,
    // counting the slots in `alsoFree` as free; nothing when none are.
    std::optional<std::size_t> allocateSlots(std::size_t count, std::span<const std::size_t> alsoFree = {}) const;
    // Free slots of the directory shown, in any place.
    std::size_t freeSlots() const;
    // Writes an entry at a directory-copy index, in the copy and the image.
    void writeSlot(std::size_t index, std::span<const std::uint8_t> entry);
    // The indices of the entry at `index` and of the long-name run before it.
    std::vector<std::size_t> entrySlots(std::size_t index) const;
    // Marks the entry and its long-name run deleted.
    void markDeleted(std::size_t index);
    // Frees every cluster of a chain in FAT 1 and mirrors the change to FAT 2.
    // With `fileSize`, only the clusters that many bytes fill: a file's chain
    // that runs on past them is cross-linked into clusters not its own
    // (as a bad write leaves it), which stay as they are.
    Fat12Reader::Outcome freeChain(std::uint16_t firstCluster, std::optional<std::uint32_t> fileSize = std::nullopt);

    // True when a live entry of the directory shown, other than the one at
    // `except`, has this short name.
    bool shortNameTaken(const ShortName& name, std::optional<std::size_t> except = std::nullopt) const;
    // False for a long name holding a character FAT names cannot hold.
    static bool isLegalName(std::u16string_view name);

    // Clusters free in FAT 1.
    std::size_t freeClusters() const;
    // Takes `count` free clusters first-fit, chains them in FAT 1, mirrors
    // them to FAT 2 and zeroes their data; nothing, and no change, when
    // fewer are free.
    std::optional<std::vector<std::uint16_t>> allocateChain(std::size_t count);
    // Adds one zeroed cluster to the subdirectory shown and lists it again;
    // false for the root, whose size is fixed, for a directory as large as
    // the directory copy, or on a full diskette.
    bool growDirectory();

    // Lists the current directory again from the image.
    Fat12Reader::Outcome relist();

    Fat12Reader& reader() { return reader_; }
    // The first cluster of the directory shown; 0 for the root.
    std::uint16_t currentCluster() const;

private:
    std::size_t slotCapacity() const;
    bool put(std::size_t index, std::span<const std::uint8_t> entry);

    CVLMDoc& doc_;
    Fat12Reader reader_;
};

} // namespace vellum
