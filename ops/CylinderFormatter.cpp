#include "ops/CylinderFormatter.h"

#include <array>
#include <cstdio>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"
#include "drive/DriveSettings.h"
#include "drive/FormatRequest.h"
#include "drive/TrackDriver.h"

namespace vellum {

namespace {

CylinderFormat inOrder(std::uint32_t cylinder, std::uint32_t sectorsPerTrack)
{
    CylinderFormat format;
    format.cylinder = cylinder;
    for (auto& ids : format.sectorIds)
        for (std::uint32_t id = 1; id <= sectorsPerTrack; ++id)
            ids.push_back(static_cast<std::uint8_t>(id));
    return format;
}

std::string hex(std::uint32_t value)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%03X", value);
    return text.data();
}

} // namespace

const StandardFormat* CylinderFormatter::layoutOf(const CVLMDoc& doc)
{
    return formatByCode(formatCodeOf(doc.geometry));
}

bool CylinderFormatter::formatDiskette(int drive)
{
    const StandardFormat* layout = layoutOf(doc_);
    if (!layout)
        return fail(drive, "the image in memory, media code " + hex(doc_.geometry.MediaCode) +
                               ", has none of the layouts " + capacityList());
    if (const std::string refusal = drives_.formatRefusal(drive, *layout); !refusal.empty()) {
        prompter_.tell(refusal, Icon::Exclamation);
        return false;
    }
    TrackDriver driver(drives_);
    std::array<std::uint8_t, FormatRequest::kReplySize> reply{};
    for (std::uint32_t cylinder = 0; cylinder < layout->cylinders(); ++cylinder) {
        const auto request = FormatRequest::build(inOrder(cylinder, layout->sectorsPerTrack));
        if (const int status = driver.DrvFormatCylinder(drive, request, reply))
            return fail(drive, "cylinder " + std::to_string(cylinder) + ": " + CVLMDoc::statusText(status));
    }
    if (const int status = drives_.endFormat(drive))
        return fail(drive, CVLMDoc::statusText(status));
    return true;
}

bool CylinderFormatter::fail(int drive, const std::string& why)
{
    prompter_.tell("Cannot format the diskette in " + DriveSettings::driveName(drive) + " " + why, Icon::Exclamation);
    return false;
}

} // namespace vellum
