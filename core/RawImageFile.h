#pragma once
// A plain sector image (.img, .ima): the diskette's sectors in logical order,
// as emulators and other tools keep them.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/DriveGeometry.h"

namespace vellum {

class CVLMDoc;
class Prompter;

// How much of a raw image is read on opening. A .VLM file is always read whole.
enum class ImageExtent {
    Whole,
    // The boot sector, FATs and root directory: enough to show the format and
    // list the root. The data area stays zero until RawImageFile::readRange
    // brings in what is looked at; such an image is only to be looked at.
    SystemArea,
};

class RawImageFile {
public:
    static constexpr std::string_view kHeldInPartText =
        "Only part of this 2.88 MB diskette is held in memory, so it cannot be saved whole.";

    RawImageFile(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Reads as many whole tracks as memory holds, or only the system area;
    // false after telling why not.
    bool open(const std::filesystem::path& path, ImageExtent extent = ImageExtent::Whole);
    // The same from an image unpacked in memory, named `name` in messages.
    bool open(std::span<const std::uint8_t> bytes, const std::string& name);
    // Reads bytes [offset, offset + bytes) of the file to the same place in
    // memory, after an open of the system area only; false after telling why not.
    bool readRange(const std::filesystem::path& path, std::size_t offset, std::size_t bytes);
    // Writes the whole diskette: the loaded tracks, then zeros for the rest.
    bool save(const std::filesystem::path& path);

    // The geometry of an image of that size, refined by its boot sector when
    // the boot sector agrees with the size.
    static std::optional<DriveGeometry> recognise(std::span<const std::uint8_t> bootSector, std::size_t fileBytes);

private:
    bool refuse(const std::string& text);
    // Takes the image of `size` bytes whose first sector is `boot`; `read`
    // fills the bytes to load, or tells why not and answers false.
    bool load(std::span<const std::uint8_t> boot, std::size_t size, const std::string& name, ImageExtent extent,
              const std::function<bool(std::span<std::uint8_t>)>& read);

    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
