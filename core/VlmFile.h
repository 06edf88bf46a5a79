#pragma once
// The .VLM image file: a header and one block per track, each block stored
// raw or by whichever of three coders gives the smallest result.
#include <cstddef>
#include <filesystem>
#include <string_view>

#include "core/DriveGeometry.h"
#include "core/VlmHeader.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class VlmFile {
public:
    static constexpr std::size_t kWorkBufferSize = 12'000;
    static constexpr std::size_t kBlockHeaderSize = 5;

    VlmFile(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Writes the loaded tracks; false after the user was told why not.
    bool save(const std::filesystem::path& path, std::string_view description);
    // Reads the file's tracks and geometry into the document; false when the
    // file was refused or the user stopped at a corruption question, and
    // memory is then as it was.
    bool open(const std::filesystem::path& path);

    // The header read or written last.
    const VlmHeader& header() const { return header_; }
    // The user stopped at the wrong-magic question: nothing in memory changed.
    bool declined() const { return declined_; }

    // The description stored in a file, or nothing when it cannot be read.
    static std::string readDescription(const std::filesystem::path& path);

private:
    bool checkSavable();
    VlmHeader buildHeader(std::string_view description) const;
    bool acceptGeometry(const std::filesystem::path& path, DriveGeometry& accepted);
    bool askToContinue();
    bool refuse(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
    VlmHeader header_;
    bool declined_ = false;
};

} // namespace vellum
