#include "core/ImageFile.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/BlockFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Fat12Reader.h"
#include "core/ForeignImage.h"
#include "core/ImdFile.h"
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
    std::array<std::uint8_t, sizeof VlmHeader::kMagic> magic{};
    try {
        return hasVlmMagic(std::span(magic).first(BlockFile::openRead(path).read(magic)));
    } catch (const Error&) {
        return false;
    }
}

bool ImageFile::hasVlmMagic(std::span<const std::uint8_t> head)
{
    return head.size() >= sizeof VlmHeader::kMagic && le32(head, 0) == VlmHeader::kMagic;
}

bool ImageFile::open(const std::filesystem::path& path, ImageExtent extent)
{
    doc_.CurrentOperation = kOpLoadFile;
    if (!readImage(path, extent)) {
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

bool ImageFile::readImage(const std::filesystem::path& path, ImageExtent extent)
{
    const auto [file, member] = ForeignImage::split(path);
    bool vlm = false;
    std::optional<DecodedImage> foreign;
    try {
        // One look at the first bytes tells every kind; opening refuses a FIFO
        // or folder before anything waits on it.
        std::array<std::uint8_t, ForeignImage::kHeadBytes> head{};
        const auto got = std::span(head).first(BlockFile::openRead(file).read(head));
        vlm = isVlmName(file) || hasVlmMagic(got);
        if (!vlm && ForeignImage::kindOf(got) != ForeignImage::Kind::Raw)
            foreign = ForeignImage::read(file, member);
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Stop);
        return false;
    }
    if (vlm) {
        VlmFile vlmFile(doc_, prompter_);
        const bool read = vlmFile.open(file);
        declined_ = vlmFile.declined();
        description_ = vlmFile.header().description;
        return read;
    }
    if (!foreign) {
        const bool read = RawImageFile(doc_, prompter_).open(file, extent);
        partial_ = read && extent == ImageExtent::SystemArea;
        return read;
    }
    if (!RawImageFile(doc_, prompter_).open(foreign->bytes, path.string()))
        return false;
    description_ = foreign->description;
    if (!foreign->marks.empty())
        tellMarks(path, foreign->marks);
    return true;
}

void ImageFile::tellMarks(const std::filesystem::path& path, const std::vector<std::string>& marks)
{
    std::string text = "\"" + path.string() + "\" marks " + std::to_string(marks.size()) +
                       (marks.size() == 1 ? " sector" : " sectors") + " as not read whole:";
    for (const std::string& mark : marks)
        text += "\n" + mark;
    prompter_.tell(text, Icon::Information);
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
    if (ImdFile::isImdName(path))
        return kept(saveImd(path, description));
    return kept(isVlmName(path) ? VlmFile(doc_, prompter_).save(path, description)
                                : RawImageFile(doc_, prompter_).save(path));
}

bool ImageFile::saveImd(const std::filesystem::path& path, std::string_view comment)
{
    try {
        ImdFile::save(doc_, path, comment);
        return true;
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Stop);
        return false;
    }
}

bool ImageFile::replace(const std::filesystem::path& path)
{
    if (startsWithVlmMagic(path))
        return kept(VlmFile(doc_, prompter_).save(path, VlmFile::readDescription(path)));
    const ForeignImage::Kind kind = ForeignImage::kindOf(ForeignImage::split(path).first);
    if (kind == ForeignImage::Kind::Imd)
        return kept(saveImd(path, ImdFile::readComment(path)));
    if (kind != ForeignImage::Kind::Raw) {
        prompter_.tell("\"" + path.string() + "\" is a " + ForeignImage::nameOf(kind) +
                           " image, which Vellum only reads: save the changed image under another name.",
                       Icon::Stop);
        return false;
    }
    return kept(RawImageFile(doc_, prompter_).save(path));
}

bool ImageFile::kept(bool saved)
{
    if (saved)
        doc_.imageChanged = false;
    return saved;
}

} // namespace vellum
