#pragma once
// Reads the FAT12 volume in the image store: lists a directory into the
// document's working areas, finds entries by their 8.3 name and follows
// cluster chains through FAT 1. It reads the image only, never a drive.
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

    // The 8.3 name of a directory entry, as its raw directory bytes.
    static std::string FormatShortName(std::span<const std::uint8_t> entry);

    // Looks a name up among the entries of the directory copy and builds its
    // chain; empty after "Could not find file".
    std::optional<Found> FindEntry(std::string_view name);

    // Fills the chain table from firstCluster on. With freeClusters every
    // visited cluster is also freed in FAT 1, and FAT 2 follows.
    Outcome BuildChain(std::uint16_t firstCluster, bool freeClusters = false);

    // Opens a subdirectory of the directory shown, one level down.
    Outcome enterDirectory(std::string_view shortName);
    // Why a folder whose entry starts at cluster 0, the root's mark, is not opened.
    static std::string noClusterWarning(std::string_view shortName);
    // Goes back to the parent through "..", one level up.
    Outcome leaveDirectory();

    // The bytes of a data cluster, or nothing for a cluster outside the volume.
    std::span<std::uint8_t> clusterData(std::uint32_t cluster);
    // The image offset of the entry at a directory-copy offset, or nothing
    // when the offset lies beyond what was copied.
    std::optional<std::size_t> entryAddress(std::size_t copyOffset) const;
    // The highest cluster number a chain may use on this volume.
    std::uint32_t lastCluster() const;

    // The 12-bit FAT 1 entry of a cluster, read and written.
    std::uint16_t fatEntry(std::uint32_t cluster) const;
    void setFatEntry(std::uint32_t cluster, std::uint16_t value);
    // FAT 2 takes the FAT 1 bytes of the clusters from lowest to highest.
    void mirrorFat(std::uint32_t lowest, std::uint32_t highest);

    // The bytes of one data cluster.
    std::size_t clusterBytes() const;

private:
    std::size_t readableBytes() const;
    std::string outsideVolume(std::uint32_t cluster) const;
    std::optional<std::string> chainBreak(std::uint16_t next, const std::vector<bool>& seen, std::size_t length) const;

    Outcome copyDirectory(std::span<std::uint8_t> buffer);
    Outcome copyRoot(std::span<std::uint8_t> buffer);
    Outcome copySubdirectory(std::span<std::uint8_t> buffer);
    void countEntries(std::span<const std::uint8_t> buffer);
    void listEntries(std::span<const std::uint8_t> buffer, bool isRoot);
    std::size_t listLongNameRun(std::span<const std::uint8_t> buffer, std::size_t index, bool isRoot);
    void takeVolumeLabel(std::span<const std::uint8_t> entry, std::size_t index, bool isRoot);
    void addListing(std::span<const std::uint8_t> entry, std::string longName);
    std::optional<std::size_t> findSlot(std::string_view name) const;

    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
