#pragma once
// One difference found by the compare, as the Diskette Mismatch dialog shows
// it: where it is (area, track, sector, offset and the diskette's geometry),
// the track data of the diskette and of memory from the compare's resume
// offset, and the distance to the first differing byte. The dialog shows the
// texts and lines built here and sets resumeMode; nothing here draws.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vellum {

class CVLMDoc;

enum ResumeMode : int {
    kResumeNextSector = 1,
    kResumeNextTrack = 2,
};

class MismatchReport {
public:
    static constexpr std::size_t kSectorBytes = 512;
    static constexpr std::size_t kHexBytesPerLine = 8;
    static constexpr std::size_t kAsciiBytesPerLine = 16;

    std::string area;
    std::string track;
    std::string sector;
    std::string offset;
    std::string bytesPerSector;
    std::string sectorsPerTrack;
    std::string tracksPerDisk;
    std::span<const std::uint8_t> disketteData;
    std::span<const std::uint8_t> memoryData;
    std::size_t distance = 0;
    int resumeMode = kResumeNextTrack;

    // The area of the byte at `offset` from the start of a diskette of that
    // media code; empty for a code the area table lacks.
    static std::string areaText(std::uint32_t mediaCode, std::size_t offset);
    // "80" for a 9-sector diskette, else "160".
    static std::string tracksPerDiskText(std::uint32_t sectorsPerTrack);

    // The 512 bytes of the sector that holds the difference.
    std::span<const std::uint8_t> disketteSector() const { return sectorOf(disketteData); }
    std::span<const std::uint8_t> memorySector() const { return sectorOf(memoryData); }

    // The list lines of a sector: 64 lines of "XX " x 8, or 32 lines of 16
    // characters with bytes below 20h shown as ".".
    static std::vector<std::string> hexLines(std::span<const std::uint8_t> sector);
    static std::vector<std::string> asciiLines(std::span<const std::uint8_t> sector);
    // The line of the difference in either mode.
    std::size_t selectedHexLine() const { return byteInSector() / kHexBytesPerLine; }
    std::size_t selectedAsciiLine() const { return byteInSector() / kAsciiBytesPerLine; }

    // "Trk 3,Sec 5,Ofs 17".
    std::string header() const;
    // Keeps both sectors and the header in the document for printing and saving.
    void storeInDocument(CVLMDoc& doc) const;

private:
    std::size_t byteInSector() const { return distance % kSectorBytes; }
    std::span<const std::uint8_t> sectorOf(std::span<const std::uint8_t> data) const;
};

} // namespace vellum
