#pragma once
// A raw or ImageDisk image kept compressed: gzip, xz, or one of the images
// in a zip archive. Unpacking stops with a refusal once the output passes
// the largest diskette, so a "zip bomb" costs no more than one diskette.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vellum {

class CompressedImage {
public:
    // The largest diskette image: 2.88 MB with room for an archive format's overhead.
    static constexpr std::size_t kMostBytes = 3'014'656;
    enum class Kind { None, Gzip, Xz, Zip };

    static Kind kindOf(std::span<const std::uint8_t> head);
    // The image of `file`, in a zip the member `member` or its only image.
    // Throws Error naming `file` and what is wrong.
    static std::vector<std::uint8_t> unpack(const std::filesystem::path& file, Kind kind, const std::string& member);
    // The members of a zip archive that look like diskette images, by name or size.
    static std::vector<std::string> zipImages(const std::filesystem::path& file);

private:
    static std::vector<std::uint8_t> inflate(std::span<const std::uint8_t> in, const std::string& name);
    static std::vector<std::uint8_t> unxz(std::span<const std::uint8_t> in, const std::string& name);
    static std::vector<std::uint8_t> unzip(const std::filesystem::path& file, const std::string& member);
};

} // namespace vellum
