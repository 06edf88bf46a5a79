#pragma once
// A plain sector image (.img, .ima): the diskette's sectors in logical order,
// as emulators and other tools keep them.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>

#include "core/DriveGeometry.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class RawImageFile {
public:
    RawImageFile(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Reads as many whole tracks as memory holds; false after telling why not.
    bool open(const std::filesystem::path& path);
    // Writes the whole diskette: the loaded tracks, then zeros for the rest.
    bool save(const std::filesystem::path& path);

    // The geometry of an image of that size, refined by its boot sector when
    // the boot sector agrees with the size.
    static std::optional<DriveGeometry> recognise(std::span<const std::uint8_t> bootSector, std::size_t fileBytes);

private:
    bool refuse(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
