#pragma once
// Opening and saving the image in memory as a host file: a .VLM file, an
// ImageDisk file (.IMD), or a raw sector image for any other name. Opening
// also takes the images ForeignImage reads, told by their content.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/RawImageFile.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class ImageFile {
public:
    ImageFile(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Reads the file into memory and lists its root directory. Leaves the
    // outcome in OperationState; false after the user was told why.
    bool open(const std::filesystem::path& path, ImageExtent extent = ImageExtent::Whole);
    // After a failed open: the user chose to stop before anything in memory
    // changed, so the image and its list stand as they were.
    bool declined() const { return declined_; }
    // The open read only the system area: a raw image opened with that extent.
    bool partial() const { return partial_; }
    // The description of the file opened: a .VLM file's, an archive image's comment.
    const std::string& description() const { return description_; }
    // Saves as .VLM or .IMD when the name ends so, else as a raw image.
    bool save(const std::filesystem::path& path, std::string_view description);
    // Saves over an existing image file in the format it holds, told by its
    // magic whatever its name; a .VLM file keeps its description, an .IMD
    // file the one opened. A format Vellum only reads is refused.
    bool replace(const std::filesystem::path& path);

    static bool isVlmName(const std::filesystem::path& path);
    // A file name with no "." in it gets ".VLM"; its folders do not count. A
    // path naming a folder, a device or the like is kept as it is, for the
    // write to refuse, rather than turned into a file beside it.
    static std::filesystem::path withDefaultExtension(const std::filesystem::path& chosen);

private:
    static bool startsWithVlmMagic(const std::filesystem::path& path);
    static bool hasVlmMagic(std::span<const std::uint8_t> head);
    // Reads the image into memory; false after the user was told why not.
    bool readImage(const std::filesystem::path& path, ImageExtent extent);
    void listRoot();
    void tellMarks(const std::filesystem::path& path, const std::vector<std::string>& marks);
    bool saveImd(const std::filesystem::path& path, std::string_view comment);
    // A saved image holds every change made in memory.
    bool kept(bool saved);

    CVLMDoc& doc_;
    Prompter& prompter_;
    bool declined_ = false;
    bool partial_ = false;
    std::string description_;
};

} // namespace vellum
