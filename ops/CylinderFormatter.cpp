#include "ops/CylinderFormatter.h"

#include <array>
#include <cstdio>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"
#include "drive/DriveSettings.h"
#include "drive/FormatRequest.h"
#include "drive/DriveStatus.h"
#include "drive/TrackDriver.h"
#include "ops/Progress.h"

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

int CylinderFormatter::layDown(DriveBackend& drives, int drive, const StandardFormat& layout,
                               const std::function<bool(std::uint32_t)>& before, std::uint32_t& cylinder)
{
    TrackDriver driver(drives);
    std::array<std::uint8_t, FormatRequest::kReplySize> reply{};
    for (cylinder = 0; cylinder < layout.cylinders(); ++cylinder) {
        if (before && !before(cylinder))
            break; // the format still ends, so the drive takes reads and writes again
        const auto request = FormatRequest::build(inOrder(cylinder, layout.sectorsPerTrack));
        if (const int status = driver.DrvFormatCylinder(drive, request, reply))
            return status;
    }
    return drives.endFormat(drive);
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
    if (progress_) {
        progress_->Create(doc_);
        progress_->SetOperationCaption(kProgressFormatting);
        progress_->SetBarRange(0, static_cast<int>(layout->cylinders()));
    }
    bool cancelled = false;
    std::uint32_t cylinder = 0;
    const int status = layDown(drives_, drive, *layout, [&](std::uint32_t c) {
        cancelled = !showCylinder(c, layout->cylinders());
        return !cancelled;
    }, cylinder);
    if (progress_)
        progress_->Destroy();
    if (cancelled || status == kStatusOk)
        return !cancelled; // a cancel is the user's own choice, told to nobody
    return fail(drive, (cylinder < layout->cylinders() ? "cylinder " + std::to_string(cylinder) + ": " : "") +
                           CVLMDoc::statusText(status));
}

// False when the user cancels the format.
bool CylinderFormatter::showCylinder(std::uint32_t cylinder, std::uint32_t cylinders)
{
    if (!progress_)
        return true;
    if (cylinder > 0 && progress_->CheckCancel())
        return false;
    progress_->ShowCylinder(static_cast<int>(cylinder) + 1, static_cast<int>(cylinders));
    progress_->StepMain();
    return true;
}

bool CylinderFormatter::fail(int drive, const std::string& why)
{
    prompter_.tell("Cannot format the diskette in " + DriveSettings::driveName(drive) + " " + why, Icon::Exclamation);
    return false;
}

} // namespace vellum
