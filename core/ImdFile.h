#pragma once
// The ImageDisk file (.IMD): an ASCII header line and comment ended by 0x1A,
// then each track as mode, cylinder, head, sector count, size code, the
// sector IDs and one record per sector that says whether its data is
// there, deleted, read with an error, all one byte, or unavailable.
// Read and written here rather than through libdsk: libdsk cannot write a
// sector as unavailable, and a rescued image must say which sectors were not read.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/TrackLayout.h"

namespace vellum {

class CVLMDoc;

class ImdFile {
public:
    static constexpr std::string_view kMagic = "IMD ";

    static bool startsWithMagic(std::span<const std::uint8_t> bytes);
    // Throws Error naming `name` and what is wrong or what the image holds.
    static DecodedImage decode(std::span<const std::uint8_t> bytes, const std::string& name);
    // The loaded tracks of the document; a sector holding UnreadableSector's
    // marker becomes a "data unavailable" record.
    static std::vector<std::uint8_t> encode(const CVLMDoc& doc, std::string_view comment);
    // Writes encode's bytes in place of `path`; throws Error.
    static void save(const CVLMDoc& doc, const std::filesystem::path& path, std::string_view comment);

    static bool isImdName(const std::filesystem::path& path);
    // The comment of an ImageDisk file; empty when it cannot be read.
    static std::string readComment(const std::filesystem::path& path);

private:
    static std::string comment(std::span<const std::uint8_t> bytes);
    static std::vector<FoundTrack> readTracks(std::span<const std::uint8_t> bytes, std::size_t at, const std::string& name);
};

} // namespace vellum
