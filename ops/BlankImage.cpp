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

} // namespace

const StandardFormat* BlankImage::formatNamed(std::string_view name)
{
    std::string upper = VolumeLabel::upperCase(name);
    const StandardFormat* format = vellum::formatNamed(upper == kDmfWord ? kDmfCapacity : std::string_view(upper));
    return format && format->imageBytes() <= kImageStoreSize ? format : nullptr;
}

bool BlankImage::create(const StandardFormat& format, std::string_view label, std::time_t now)
{
    if (!VolumeLabel::acceptable(label, prompter_))
        return false;
    const std::string text = VolumeLabel::upperCase(label);
    if (!doc_.hasImage() || format.imageBytes() > kImageStoreSize) {
        prompter_.tell("A " + std::string(format.name) + " diskette does not fit in memory.", Icon::Stop);
        return false;
    }
    const auto image = doc_.image().first(format.imageBytes());
    std::fill(doc_.image().begin(), doc_.image().end(), std::uint8_t{0});
    const auto [date, time] = DosTime::fromTime(now);
    DmfBootSector::putSystemArea(image, format.bpb(), text, time, date);

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
