#pragma once
// What the unreadable sectors of a rescued diskette held: "Boot Sector",
// "FAT 1", "FAT 2", "Root Directory", the full path of each file or folder
// ("/DOCS/", a folder, ends in "/") whose cluster chain holds it, or free
// space. Files are found through FAT 1 where its sectors read and through
// FAT 2's copy of a sector where they did not, and the report says so; a FAT
// sector that read in neither copy makes the file names unreliable, and the
// report says that too. The image is only read: the FAT copy is mended for
// the walk and put back, and the directory shown stays as it was. What the
// walk meets on the way (broken chains, folders leading back) becomes notes
// of the report rather than messages to the user.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/Prompter.h"

namespace vellum {

class CVLMDoc;

class DamageReport {
public:
    struct Hit {
        std::uint32_t sector = 0; // logical, from 0
        // Area names and paths; a cluster two files share names both.
        std::vector<std::string> places;
    };

    static constexpr std::string_view kBootSector = "Boot Sector";
    static constexpr std::string_view kFat1 = "FAT 1";
    static constexpr std::string_view kFat2 = "FAT 2";
    static constexpr std::string_view kRootDirectory = "Root Directory";
    static constexpr std::string_view kFreeSpace = "Free Space";

    // The unreadable sectors of the image in memory, in any order.
    DamageReport(CVLMDoc& doc, std::span<const std::uint32_t> badSectors);

    const std::vector<Hit>& hits() const { return hits_; }
    // What the reader should know about the names: which FAT they come from, what is lost.
    const std::vector<std::string>& notes() const { return notes_; }
    // "cylinder C, head H, sector S" of a logical sector, sectors counted from 1.
    static std::string placeOnDiskette(std::uint32_t sector, std::uint32_t sectorsPerTrack);
    // One line per sector with its cylinder, head and sector, then the notes.
    std::string text() const;

private:
    // Takes down what the walk would tell the user, once each.
    class NoteTaker : public Prompter {
    public:
        explicit NoteTaker(std::vector<std::string>& notes) : notes_(notes) {}
        Answer ask(const std::string& text, Buttons buttons, Icon icon) override;

    private:
        std::vector<std::string>& notes_;
    };

    enum class Area { Boot, Fat1, Fat2, Root, Data };
    Area areaOf(std::uint32_t sector) const;
    std::uint32_t clusterOf(std::uint32_t sector) const;
    // FAT 2's sectors in place of FAT 1's unreadable ones; the bytes replaced.
    std::vector<std::uint8_t> mendFat1(std::span<const std::uint32_t> badSectors);
    // Hits by the cluster that holds their sector.
    using ClusterHits = std::map<std::uint32_t, std::vector<std::size_t>>;
    void findOwners();
    // Names `path` at each hit in the chain from `first`; true when it met one.
    bool claimChain(std::uint16_t first, const std::string& path, const ClusterHits& byCluster);
    std::string unownedPlace(std::uint32_t cluster);

    CVLMDoc& doc_;
    std::vector<Hit> hits_;
    std::vector<std::string> notes_;
    NoteTaker noteTaker_{notes_};
};

} // namespace vellum
