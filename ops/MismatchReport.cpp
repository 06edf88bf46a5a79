#include "ops/MismatchReport.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/CVLMDoc.h"

namespace vellum {

namespace {

struct AreaRow {
    std::array<std::uint32_t, 2> mediaCodes;
    std::array<std::size_t, 4> starts; // FAT 1, FAT 2, Root Directory, Data Area
};

// Where each area of a diskette starts, by media code; the boot sector starts at 0.
constexpr std::array<AreaRow, 5> kAreaTable = {{
    {{0x0FD, 0x1FD}, {0x200, 0x600, 0xA00, 0x1800}},
    {{0x1F0, 0x1F9}, {0x200, 0x1000, 0x1E00, 0x3C00}},
    {{0x2F9, 0x7F9}, {0x200, 0x800, 0xE00, 0x1C00}},
    {{0x7F0, 0x7F0}, {0x200, 0x1400, 0x2600, 0x4200}},
    {{0x9F0, 0x9F0}, {0x200, 0x1400, 0x2600, 0x4400}},
}};
constexpr std::array<const char*, 5> kAreaNames = {"Boot Sector", "FAT 1", "FAT 2", "Root Directory", "Data Area"};

constexpr std::uint32_t kNineSectors = 9;
constexpr std::size_t kHexLineChars = 3 * MismatchReport::kHexBytesPerLine;
constexpr std::uint8_t kFirstShown = 0x20;

} // namespace

std::string MismatchReport::areaText(std::uint32_t mediaCode, std::size_t offset)
{
    for (const AreaRow& row : kAreaTable) {
        if (std::find(row.mediaCodes.begin(), row.mediaCodes.end(), mediaCode) == row.mediaCodes.end())
            continue;
        const auto area = std::upper_bound(row.starts.begin(), row.starts.end(), offset) - row.starts.begin();
        return kAreaNames[static_cast<std::size_t>(area)];
    }
    return {};
}

std::string MismatchReport::tracksPerDiskText(std::uint32_t sectorsPerTrack)
{
    return sectorsPerTrack == kNineSectors ? "80" : "160";
}

std::span<const std::uint8_t> MismatchReport::sectorOf(std::span<const std::uint8_t> data) const
{
    return data.subspan(distance - byteInSector(), kSectorBytes);
}

std::vector<std::string> MismatchReport::hexLines(std::span<const std::uint8_t> sector)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < sector.size(); at += kHexBytesPerLine) {
        std::array<char, kHexLineChars + 1> line{};
        for (std::size_t i = 0; i < kHexBytesPerLine; ++i)
            std::snprintf(line.data() + 3 * i, 4, "%02X ", sector[at + i]);
        lines.emplace_back(line.data(), kHexLineChars);
    }
    return lines;
}

std::vector<std::string> MismatchReport::asciiLines(std::span<const std::uint8_t> sector)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < sector.size(); at += kAsciiBytesPerLine) {
        std::string line;
        for (std::size_t i = 0; i < kAsciiBytesPerLine; ++i)
            line += sector[at + i] < kFirstShown ? '.' : static_cast<char>(sector[at + i]);
        lines.push_back(line);
    }
    return lines;
}

std::string MismatchReport::header() const
{
    return "Trk " + track + ",Sec " + sector + ",Ofs " + offset;
}

void MismatchReport::storeInDocument(CVLMDoc& doc) const
{
    const auto disk = disketteSector();
    const auto memory = memorySector();
    std::copy(disk.begin(), disk.end(), doc.mismatch[0].begin());
    std::copy(memory.begin(), memory.end(), doc.mismatch[1].begin());
    doc.mismatchHeader = header();
}

} // namespace vellum
