#include "ops/BlankImage.h"

#include <algorithm>

#include "core/CVLMDoc.h"
#include "core/DosTime.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"
#include "core/RawImageFile.h"
#include "core/StandardFormats.h"
#include "ops/DmfBootSector.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

constexpr std::string_view kDmfWord = "DMF";
constexpr std::string_view kDmfCapacity = "1.68M";
// Characters DOS keeps out of a volume label, besides those outside printable ASCII.
constexpr std::string_view kNotInLabel = "\\/:*?\"<>|.+,;=[]";

// Printable ASCII only: the label is stored byte for byte, and UTF-8 would
// read back as other characters.
bool legalLabel(std::string_view label)
{
    return std::none_of(label.begin(), label.end(), [](unsigned char c) {
        return c < 0x20 || c >= 0x7F || kNotInLabel.find(static_cast<char>(c)) != std::string_view::npos;
    });
}

} // namespace

const StandardFormat* BlankImage::formatNamed(std::string_view name)
{
    std::string upper = VolumeLabel::upperCase(name);
    const StandardFormat* format = vellum::formatNamed(upper == kDmfWord ? kDmfCapacity : std::string_view(upper));
    return format && format->imageBytes() <= kImageStoreSize ? format : nullptr;
}

bool BlankImage::create(const StandardFormat& format, std::string_view label, std::time_t now)
{
    const std::string text = VolumeLabel::upperCase(label);
    if (text.size() > kVolumeLabelLength || !legalLabel(text)) {
        prompter_.tell("\"" + std::string(label) + "\" cannot be a volume label: it takes at most " +
                           std::to_string(kVolumeLabelLength) + " printable ASCII characters, and none of " +
                           std::string(kNotInLabel) + ".",
                       Icon::Exclamation);
        return false;
    }
    if (!doc_.hasImage() || format.imageBytes() > kImageStoreSize) {
        prompter_.tell("A " + std::string(format.name) + " diskette does not fit in memory.", Icon::Stop);
        return false;
    }
    const auto image = doc_.image().first(format.imageBytes());
    std::fill(doc_.image().begin(), doc_.image().end(), std::uint8_t{0});
    const auto [date, time] = DosTime::fromTime(now);
    DmfBootSector::putSystemArea(image, format.bpb(), text, time, date);
    // A blank label field reads as damage to fsck.fat; unlabelled volumes say "NO NAME".
    if (text.empty())
        std::copy(VolumeLabel::kBootNoName.begin(), VolumeLabel::kBootNoName.end(),
                  image.begin() + VolumeLabel::kBootLabelOffset);

    doc_.setGeometry(*RawImageFile::recognise(image.first(kSectorBytes), image.size()));
    doc_.MediaSizeKind = format.mediaSizeKind;
    doc_.TracksLoaded = format.tracks();
    doc_.HeldInPart = false;
    doc_.ImageEmpty = 0;
    doc_.imageChanged = true;
    doc_.directory.depth = 0;
    doc_.directory.chain.fill(0);
    Fat12Reader(doc_, prompter_).ReadDirectory(kSectorBytes);
    return true;
}

} // namespace vellum
