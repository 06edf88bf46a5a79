#pragma once
// The images other programs keep, told by their first bytes whatever their
// names: ImageDisk, Teledisk and CopyQM, and raw or ImageDisk images packed
// by gzip, xz or zip. A member of a zip archive is named "ARCHIVE:MEMBER".
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/TrackLayout.h"

namespace vellum {

class ForeignImage {
public:
    enum class Kind { Raw, Imd, Teledisk, CopyQm, Gzip, Xz, Zip };
    // The first bytes that tell every kind.
    static constexpr std::size_t kHeadBytes = 8;

    static Kind kindOf(std::span<const std::uint8_t> head);
    static Kind kindOf(const std::filesystem::path& file);
    // "Teledisk", for messages.
    static std::string nameOf(Kind kind);
    // The file and zip member a path names: "A.ZIP:B.IMG" when no file
    // "A.ZIP:B.IMG" exists but the zip file "A.ZIP" does.
    static std::pair<std::filesystem::path, std::string> split(const std::filesystem::path& path);
    // The raw image the file holds; nothing when it is a raw image itself.
    // Throws Error saying what is wrong or what the image holds.
    static std::optional<DecodedImage> read(const std::filesystem::path& file, const std::string& member);
    // The image inside unpacked bytes, for a name in messages.
    static DecodedImage unpacked(std::vector<std::uint8_t> bytes, const std::string& name);
};

} // namespace vellum
