#include "ops/DmfFormat.h"

#include <algorithm>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "drive/CDriveServices.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/DriveSettings.h"
#include "drive/DriveStatus.h"
#include "drive/FormatRequest.h"
#include "drive/SectorDriver.h"
#include "drive/TrackDriver.h"
#include "ops/DmfBootSector.h"
#include "ops/Progress.h"
#include "drive/SectorRequests.h"
#include "ops/StatusPanel.h"
#include "ops/VolumeLabel.h"

namespace vellum {

namespace {

// Physical order of the base track: a 2:1 interleave.
constexpr std::array<std::uint8_t, DmfFormat::kSectorsPerTrack> kBaseOrder = {
    1, 12, 2, 13, 3, 14, 4, 15, 5, 16, 6, 17, 7, 18, 8, 19, 9, 20, 10, 21, 11};
constexpr int kBaseSlot = 10;
constexpr int kSkew = 3;
constexpr int kSkewPeriod = 7;

constexpr std::uint8_t kDmfDriveType = 7; // 3.5-inch 1.44 MB
constexpr std::uint8_t kDmfMedia = 0xF0;
constexpr int kLastCylinder = DmfFormat::kCylinders - 1;
constexpr int kPassSteps = DmfFormat::kCylinders + 1;
constexpr int kShareNothing = 0;
constexpr int kShareAll = 4;

// The media type the BIOS is told before the tracks are laid down: the
// 1.44 MB layout, the nearest it knows.
constexpr int kBiosMediaSectors = 18;

} // namespace

std::array<std::uint8_t, DmfFormat::kSectorsPerTrack> DmfFormat::DmfSectorOrder(int cylinder)
{
    std::array<std::uint8_t, kSectorsPerTrack> ids{};
    const int start = kBaseSlot - kSkew * (cylinder % kSkewPeriod) + kSectorsPerTrack;
    for (int slot = 0; slot < kSectorsPerTrack; ++slot)
        ids[static_cast<std::size_t>(slot)] = kBaseOrder[static_cast<std::size_t>((start + slot) % kSectorsPerTrack)];
    return ids;
}

std::array<bool, DriveBackend::kDrives> DmfFormat::capableDrives()
{
    CDriveServices services(c_.drives, c_.prompter);
    std::array<bool, DriveBackend::kDrives> capable{};
    for (int drive = 0; drive < DriveBackend::kDrives; ++drive) {
        DeviceParameterBlock block(kDriveDefaultBpb);
        capable[static_cast<std::size_t>(drive)] = services.GetDeviceParameters(drive + 1, block) &&
                                                   block.deviceType() == kDmfDriveType &&
                                                   block.bpb().mediaDescriptor == kDmfMedia;
    }
    return capable;
}

bool DmfFormat::checkDrive(int drive)
{
    const auto capable = capableDrives();
    if (std::none_of(capable.begin(), capable.end(), [](bool b) { return b; })) {
        c_.prompter.tell(std::string(kNoCapableDrive), Icon::Exclamation);
        return false;
    }
    if (!capable[static_cast<std::size_t>(drive)]) {
        c_.prompter.tell("Drive " + DriveSettings::driveName(drive) + " cannot format DMF diskettes: a DMF format needs a "
                         "3.5-inch high density drive. Choose drive " + DriveSettings::driveName(1 - drive) + " instead.",
                         Icon::Exclamation);
        return false;
    }
    return true;
}

bool DmfFormat::confirmQuickFormat(DmfFormatOptions& options)
{
    if (options.fullFormat)
        return true;
    CDriveServices services(c_.drives, c_.prompter);
    DeviceParameterBlock block(kCurrentMediumBpb);
    const bool isDmf = services.GetDeviceParameters(options.drive + 1, block) &&
                       block.deviceType() == kDmfDriveType && block.bpb().mediaDescriptor == kDmfMedia &&
                       block.bpb().sectorsPerTrack == kSectorsPerTrack;
    if (isDmf)
        return true;
    if (c_.prompter.ask(std::string(kNotDmfQuestion), Buttons::YesNo, Icon::Question) != Answer::Yes)
        return false;
    options.fullFormat = true;
    return true;
}

bool DmfFormat::checkLabel(std::string_view label)
{
    return VolumeLabel::acceptable(label, c_.prompter);
}

int DmfFormat::FormatDmf(const DmfFormatOptions& options)
{
    if (!options.noLabel && !checkLabel(options.label))
        return 0;
    if (!c_.driver) {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
        return 0;
    }
    if (const std::string refusal = c_.drives.formatRefusal(options.drive, standardFormat(kFormatCodeDmf));
        !refusal.empty()) {
        c_.prompter.tell(refusal, Icon::Exclamation);
        return 0;
    }
    options_ = options;
    CDriveServices services(c_.drives, c_.prompter);
    SectorRequests requests(*c_.driver, options_.drive);
    c_.progress.Create(c_.doc);
    c_.progress.SetOperationCaption(kProgressFormattingDmf);
    c_.progress.SetBarRange(0, kPassSteps);
    lockVolume(services);
    c_.doc.OperationState = kSuccessful;
    if (!awaitMedia(requests)) {
        c_.doc.OperationState = kUnsuccessful;
        c_.panel.ShowLastOperation(kOpFormatDmf, kUnsuccessful);
        c_.progress.Destroy();
        unlockVolume(services);
        return 0;
    }
    prepareBios(services);
    if (options_.fullFormat) {
        formatCylinder(0);
        formatCylinder(kLastCylinder);
        WriteDmfSystemArea(services, requests);
    }
    runPass(options_.fullFormat);
    unlockVolume(services);
    // Also after a cancelled pass, so the diskette holds an empty file system.
    WriteDmfSystemArea(services, requests);
    c_.panel.ShowLastOperation(kOpFormatDmf, c_.doc.OperationState);
    c_.progress.Destroy();
    return c_.doc.OperationState == kCancelled ? 0 : 1;
}

// Status 28, an unformatted diskette, is what a format expects.
bool DmfFormat::awaitMedia(SectorRequests& requests)
{
    for (;;) {
        const std::uint32_t status = requests.checkMedia();
        if (status == kStatusOk || status == kStatusUnformatted)
            return true;
        if (!SectorRequests::retry(c_.prompter, status))
            return false;
    }
}

void DmfFormat::lockVolume(CDriveServices& services)
{
    if (services.GetLockLevel(options_.drive + 1) != CDriveServices::kNotLocked)
        services.UnlockVolume(options_.drive);
    services.LockVolume(0, kShareNothing, options_.drive);
    services.LockVolume(0, kShareAll, options_.drive);
    services.ResetDrive(options_.drive);
}

void DmfFormat::unlockVolume(CDriveServices& services)
{
    services.UnlockVolume(options_.drive);
    services.UnlockVolume(options_.drive);
    services.ResetDrive(options_.drive);
}

void DmfFormat::prepareBios(CDriveServices& services)
{
    services.ResetDrive(options_.drive);
    services.biosReset(options_.drive);
    services.biosSetMediaType(options_.drive, kCylinders, kBiosMediaSectors);
}

void DmfFormat::runPass(bool fullFormat)
{
    if (!fullFormat) {
        c_.progress.SetBarRange(0, 1);
        c_.progress.StepMain();
        c_.progress.SetOperationCaption(kProgressWritingSystemArea);
        formatCylinder(0);
        formatCylinder(kLastCylinder);
        return;
    }
    for (int cylinder = 0; cylinder < kCylinders; ++cylinder) {
        c_.progress.ShowCylinder(cylinder + 1, kCylinders);
        c_.progress.StepMain();
        formatCylinder(cylinder);
        if (c_.progress.CheckCancel()) {
            c_.doc.OperationState = kCancelled;
            return;
        }
    }
}

// A cylinder that fails is not reported: the system area write that follows
// tells whether the diskette took the format.
void DmfFormat::formatCylinder(int cylinder)
{
    CylinderFormat format;
    format.cylinder = static_cast<std::uint32_t>(cylinder);
    const auto ids = DmfSectorOrder(cylinder);
    for (auto& head : format.sectorIds)
        head.assign(ids.begin(), ids.end());
    std::array<std::uint8_t, FormatRequest::kReplySize> reply{};
    TrackDriver(c_.drives).DrvFormatCylinder(options_.drive, FormatRequest::build(format), reply);
}

std::string DmfFormat::systemAreaLabel() const
{
    return options_.noLabel ? std::string() : VolumeLabel::upperCase(options_.label);
}

void DmfFormat::WriteDmfSystemArea(CDriveServices& services, SectorRequests& requests)
{
    const std::string label = systemAreaLabel();
    const DosStamp stamp = label.empty() ? DosStamp{} : c_.driver->dosDateTime();
    const auto area = DmfBootSector::systemArea(label, stamp.time, stamp.date);
    const std::span<std::uint8_t> buffer = requests.prepareTransfer();
    std::copy(area.begin(), area.end(), buffer.begin());
    for (std::uint32_t status = requests.write(0, DmfBootSector::kSystemSectors); status != 0;
         status = requests.write(0, DmfBootSector::kSystemSectors)) {
        if (!SectorRequests::retry(c_.prompter, status)) {
            c_.doc.OperationState = kUnsuccessful;
            break;
        }
    }
    services.WriteDmfTestSector(options_.drive == 0);
    requests.endTransfer();
    c_.driver->endFormat(options_.drive);
}

} // namespace vellum
