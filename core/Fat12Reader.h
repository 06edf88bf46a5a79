#pragma once
// Reads the FAT12 volume in the image store: lists a directory into the
// document's working areas, finds its entries by name or by slot and
// follows cluster chains through FAT 1. It reads the image only, never a
// drive, and changes nothing in it.
//
// An entry is known by its slot, the index of its short entry in the
// directory copy: two entries may look alike (a damaged directory can hold
// two of one 8.3 name), but what is listed, looked up and then acted on is
// always the entry of that slot.
//
// The image may come from a damaged diskette, so every walk is bounded: by
// the loaded tracks, by the clusters the geometry allows, by the 2,880-word
// chain table, the 768-entry directory copy and the 8-level directory stack.
// A walk that meets one of those bounds stops there and says so in its
// Outcome, which the caller shows to the user.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/FatTable.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class Fat12Reader {
public:
    // Empty warning: the walk was whole. Otherwise it names the bound the
    // volume broke and what was kept.
    struct Outcome {
        std::string warning;
        bool whole() const { return warning.empty(); }
    };

    struct Found {
        std::uint32_t size = 0;
        Outcome chain;
    };

    Fat12Reader(CVLMDoc& doc, Prompter& prompter);

    // Lists the directory named by chain word 0 (the root when it is 0) into
    // doc.directory. A non-zero argument first replaces the bytes per sector.
    Outcome ReadDirectory(std::uint32_t bytesPerSector = 0);

    // The 8.3 name of a directory entry, as its raw directory bytes: the
    // name's trailing blanks give way to the extension.
    static std::string FormatShortName(std::span<const std::uint8_t> entry);
    // Whether two names are one to FAT: case is ignored, as DOS ignores it.
    static bool sameName(std::string_view a, std::string_view b);
    // A name as sameName compares it.
    static std::u16string caseFolded(std::string_view name);

    // The slot of the entry of the directory shown, other than the one at
    // `except`, that `name` names by its long name or its 8.3 name; nothing
    // when no entry has that name.
    std::optional<std::size_t> lookup(std::string_view name, std::optional<std::size_t> except = std::nullopt) const;
    // Looks a name up and follows its entry; empty after "Could not find file".
    std::optional<Found> FindEntry(std::string_view name);
    // Makes the entry at a slot the found entry and builds its chain; empty,
    // after "Could not find file", when the slot holds no listed entry.
    std::optional<Found> followEntry(std::size_t slot);

    // Fills the chain table from firstCluster on.
    Outcome BuildChain(std::uint16_t firstCluster);

    // Opens the subdirectory at a slot of the directory shown, one level down.
    Outcome enterDirectory(std::size_t slot);
    // Why a folder whose entry starts at cluster 0, the root's mark, is not opened.
    static std::string noClusterWarning(std::string_view shortName);
    // Goes back to the parent through "..", one level up.
    Outcome leaveDirectory();

    // The bytes of a data cluster, or nothing for a cluster outside the volume.
    std::span<const std::uint8_t> clusterData(std::uint32_t cluster) const;
    // The image offset of the entry at a directory-copy offset, or nothing
    // when the offset lies beyond what was copied.
    std::optional<std::size_t> entryAddress(std::size_t copyOffset) const;

    const FatTable& fat() const { return fat_; }

private:
    std::string outsideVolume(std::uint32_t cluster) const;
    std::optional<std::string> chainBreak(std::uint16_t next, const std::vector<bool>& seen, std::size_t length) const;

    Outcome copyDirectory(std::span<std::uint8_t> buffer);
    Outcome copyRoot(std::span<std::uint8_t> buffer);
    Outcome copySubdirectory(std::span<std::uint8_t> buffer);
    void countEntries(std::span<const std::uint8_t> buffer);
    void listEntries(std::span<const std::uint8_t> buffer, bool isRoot);
    std::optional<std::string> listedName(std::span<const std::uint8_t> buffer, std::size_t index) const;
    void takeVolumeLabel(std::span<const std::uint8_t> entry, std::size_t index, bool isRoot);
    void addListing(std::span<const std::uint8_t> entry, std::size_t index, std::string longName);

    CVLMDoc& doc_;
    Prompter& prompter_;
    FatTable fat_;
};

} // namespace vellum
