#pragma once
// The tracks an archive image keeps, each sector with its ID and state, laid
// out as the raw sector image of a PC diskette: every track of the same
// 512-byte sectors numbered from 1, on one or two heads. Anything else is
// refused with a message that says what the image holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellum {

// DataError keeps what was read despite a bad checksum.
enum class FoundState { Good, Deleted, DataError, Unreadable };

struct FoundSector {
    std::uint32_t id = 0;
    FoundState state = FoundState::Good;
    std::vector<std::uint8_t> data; // empty when Unreadable
};

struct FoundTrack {
    std::uint32_t cylinder = 0;
    std::uint32_t head = 0;
    std::uint32_t sectorBytes = 0;
    std::vector<FoundSector> sectors;
};

// An archive image as the raw image it holds.
struct DecodedImage {
    std::vector<std::uint8_t> bytes;
    std::string description;
    // The sectors marked deleted or unreadable: "cylinder 3, head 1, sector 7 (deleted data)".
    std::vector<std::string> marks;
};

class TrackLayout {
public:
    // Throws Error naming `name` and what it holds. An unreadable sector
    // holds UnreadableSector's marker.
    static DecodedImage toImage(const std::vector<FoundTrack>& tracks, const std::string& name);

private:
    static void checkTrack(const FoundTrack& track, std::uint32_t sectors, const std::string& name);
    // Puts the track's sectors into the image from byte `at` on.
    static void layTrack(const FoundTrack& track, std::size_t at, DecodedImage& image);
};

} // namespace vellum
