#include "core/ImageFile.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/BlockFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"
#include "core/RawImageFile.h"
#include "core/StandardFormats.h"
#include "core/VlmFile.h"
#include "core/VlmHeader.h"

namespace vellum {

namespace {
const std::string kVlmExtension = ".VLM";
}

bool ImageFile::isVlmName(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext == kVlmExtension;
}

std::filesystem::path ImageFile::withDefaultExtension(const std::filesystem::path& chosen)
{
    std::error_code ec;
    const auto type = std::filesystem::status(chosen, ec).type();
    const bool other = type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular;
    if (other || chosen.filename().empty() || chosen.filename().string().find('.') != std::string::npos)
        return chosen;
    return chosen.string() + std::string(kVlmExtension);
}

bool ImageFile::startsWithVlmMagic(const std::filesystem::path& path)
{
    // Not through a stream: vlm info would spend a tenth of its time setting up a locale.
    std::array<std::uint8_t, 4> magic{};
    try {
        return BlockFile::openRead(path).read(magic) == magic.size() && le32(magic, 0) == VlmHeader::kMagic;
    } catch (const Error&) {
        return false;
    }
}

bool ImageFile::open(const std::filesystem::path& path, ImageExtent extent)
{
    doc_.CurrentOperation = kOpLoadFile;
    try {
        BlockFile::openRead(path); // refuses a FIFO or folder before anything waits on it
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Stop);
        doc_.OperationState = kUnsuccessful;
        return false;
    }
    const bool vlm = isVlmName(path) || startsWithVlmMagic(path);
    bool read = false;
    if (vlm) {
        VlmFile file(doc_, prompter_);
        read = file.open(path);
        declined_ = file.declined();
    } else {
        read = RawImageFile(doc_, prompter_).open(path, extent);
        partial_ = read && extent == ImageExtent::SystemArea;
    }
    if (!read) {
        doc_.OperationState = kUnsuccessful;
        return false;
    }
    doc_.LoadedFromFile = 1;
    doc_.imageChanged = false;
    // An opened file is an image in memory as much as a loaded diskette.
    doc_.ImageEmpty = 0;
    listRoot();
    doc_.OperationState = kSuccessful;
    return true;
}

void ImageFile::listRoot()
{
    doc_.directory.depth = 0;
    doc_.directory.chain.fill(0);
    const Fat12Reader::Outcome outcome = Fat12Reader(doc_, prompter_).ReadDirectory(kSectorBytes);
    if (!outcome.whole())
        prompter_.warn(outcome.warning);
}

bool ImageFile::save(const std::filesystem::path& path, std::string_view description)
{
    return kept(isVlmName(path) ? VlmFile(doc_, prompter_).save(path, description)
                                : RawImageFile(doc_, prompter_).save(path));
}

bool ImageFile::replace(const std::filesystem::path& path)
{
    return kept(startsWithVlmMagic(path) ? VlmFile(doc_, prompter_).save(path, VlmFile::readDescription(path))
                                         : RawImageFile(doc_, prompter_).save(path));
}

bool ImageFile::kept(bool saved)
{
    if (saved)
        doc_.imageChanged = false;
    return saved;
}

} // namespace vellum
