#include "ops/CompareEngine.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "drive/CDriveServices.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/SectorDriver.h"
#include "ops/MismatchDialog.h"
#include "ops/MismatchReport.h"
#include "ops/Progress.h"
#include "drive/SectorRequests.h"
#include "ops/StatusPanel.h"

namespace vellum {

namespace {

// Where a and b (of a's size at least) first differ, or a.size(): equal
// blocks are passed over with memcmp, the differing one is searched by byte.
std::size_t firstDifference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    constexpr std::size_t kBlock = 256;
    std::size_t at = 0;
    while (a.size() - at >= kBlock && std::memcmp(a.data() + at, b.data() + at, kBlock) == 0)
        at += kBlock;
    const auto from = a.begin() + static_cast<std::ptrdiff_t>(at);
    return at + static_cast<std::size_t>(std::mismatch(from, a.end(), b.begin() + static_cast<std::ptrdiff_t>(at)).first - from);
}

constexpr std::array<std::uint32_t, 8> kSupportedMedia = {0x0FD, 0x1F0, 0x1F9, 0x1FD, 0x2F9, 0x7F0, 0x7F9, 0x9F0};
constexpr int kTracksPerCylinder = 2;

} // namespace

void CompareEngine::RunCompare(int drive)
{
    drive_ = drive;
    c_.doc.CurrentOperation = kOpCompareDiskette;
    if (c_.doc.HeldInPart) {
        c_.prompter.tell(c_.doc.heldInPartText(), Icon::Stop);
        c_.doc.OperationState = kUnsuccessful;
        c_.panel.ShowLastOperation(kOpCompareDiskette, kUnsuccessful);
        return;
    }
    CDriveServices services(c_.drives, c_.prompter);
    services.ResetDrive(drive_);
    // Without the driver there is no media check; the run says so below.
    if (c_.driver) {
        SectorRequests check(*c_.driver, drive_);
        if (!awaitMedia(check)) {
            c_.doc.OperationState = kUnsuccessful;
            c_.panel.ShowLastOperation(kOpCompareDiskette, kUnsuccessful);
            return;
        }
    }
    if (!takeTargetGeometry(services)) {
        c_.prompter.tell(kUnsupportedMedia, Icon::None);
        return;
    }
    c_.panel.ShowVolumeAndMemoryStatus(c_.doc);
    c_.doc.OperationState = kSuccessful;
    c_.panel.ShowLastOperation(kOpCompareDiskette, kInProgress);
    if (c_.driver) {
        SectorRequests requests(*c_.driver, drive_);
        compareTracks(services, requests);
    } else {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
        c_.doc.OperationState = kUnsuccessful;
    }
    c_.panel.ShowLastOperation(kOpCompareDiskette, c_.doc.OperationState);
}

bool CompareEngine::awaitMedia(SectorRequests& requests)
{
    for (std::uint32_t status = requests.checkMedia(); status != 0; status = requests.checkMedia())
        if (!SectorRequests::retry(c_.prompter, status))
            return false;
    return true;
}

// The diskette is compared in its own geometry, which also becomes the
// document's, so the status panel names the target's format.
bool CompareEngine::takeTargetGeometry(CDriveServices& services)
{
    DeviceParameterBlock block(kCurrentMediumBpb);
    services.GetDeviceParameters(drive_ + 1, block);
    const DriveGeometry target = block.geometry();
    DriveGeometry g = c_.doc.geometry;
    g.MediaCode = target.MediaCode;
    g.deviceType = target.deviceType;
    g.mediaDescriptor = target.mediaDescriptor;
    g.sectorsPerTrack = target.sectorsPerTrack;
    g.bytesPerSector = target.bytesPerSector;
    g.DmfLargeClusters = target.DmfLargeClusters;
    g.DmfOtherLayout = target.DmfOtherLayout;
    c_.doc.setGeometry(g);
    bytesPerSector_ = target.bytesPerSector;
    sectorsPerTrack_ = target.sectorsPerTrack;
    trackSize_ = bytesPerSector_ * sectorsPerTrack_;
    const bool known = std::find(kSupportedMedia.begin(), kSupportedMedia.end(), target.MediaCode) !=
                       kSupportedMedia.end();
    // A track must fit the driver's buffer and its sectors the dump.
    return known && bytesPerSector_ == MismatchReport::kSectorBytes && trackSize_ <= sizeof(TransferBuffer);
}

// The tracks the image holds, as far as the store holds them in the target's geometry.
int CompareEngine::trackCount() const
{
    const int stored = static_cast<int>(c_.doc.image().size() / trackSize_);
    return std::clamp(c_.doc.TracksLoaded, 0, stored);
}

void CompareEngine::compareTracks(CDriveServices& services, SectorRequests& requests)
{
    c_.progress.Create(c_.doc);
    c_.progress.SetOperationCaption(kProgressComparing);
    if (requests.lockState() == SectorDriver::kNotLocked)
        services.lockForOperation(drive_);
    const std::span<const std::uint8_t> disk = requests.prepareTransfer();
    const int tracks = trackCount();
    const int cylinders = tracks / kTracksPerCylinder;
    c_.progress.SetBarRange(0, cylinders + 1);
    services.ResetDrive(drive_);
    requests.read(0, static_cast<std::uint32_t>(sectorsPerTrack_));

    for (int t = 0; t < tracks; ++t) {
        if (t % kTracksPerCylinder == 0) {
            c_.progress.ShowCylinder(t / kTracksPerCylinder + 1, cylinders);
            c_.progress.StepMain();
        }
        if (!readTrack(requests, static_cast<std::uint32_t>(static_cast<std::size_t>(t) * sectorsPerTrack_))) {
            c_.doc.OperationState = kUnsuccessful;
            break;
        }
        if (c_.progress.CheckCancel()) {
            c_.doc.OperationState = kCancelled;
            break;
        }
        if (compareTrack(t, disk.first(trackSize_)) == TrackEnd::Stop) {
            c_.doc.OperationState = kUnsuccessful;
            break;
        }
    }
    requests.endTransfer();
    services.UnlockVolume(drive_);
    requests.lockState();
    requests.releaseDrive();
    c_.progress.Destroy();
}

bool CompareEngine::readTrack(SectorRequests& requests, std::uint32_t firstSector)
{
    for (std::uint32_t status = requests.read(firstSector, static_cast<std::uint32_t>(sectorsPerTrack_)); status != 0;
         status = requests.read(firstSector, static_cast<std::uint32_t>(sectorsPerTrack_)))
        if (!SectorRequests::retry(c_.prompter, status))
            return false;
    return true;
}

// Compares track t from its first byte; after a Next Sector resume it goes on
// behind the differing sector in the data already read.
CompareEngine::TrackEnd CompareEngine::compareTrack(int t, std::span<const std::uint8_t> disk)
{
    const std::size_t imageOffset = static_cast<std::size_t>(t) * trackSize_;
    const std::span<const std::uint8_t> memory = c_.doc.image().subspan(imageOffset, trackSize_);
    std::size_t resume = 0;
    for (;;) {
        const std::size_t distance = firstDifference(disk.subspan(resume), memory.subspan(resume));
        if (resume + distance == disk.size())
            return TrackEnd::Next;
        MismatchReport report = reportAt(t, resume, distance, disk, memory);
        report.storeInDocument(c_.doc);
        if (!dialog_.run(report))
            return TrackEnd::Stop;
        if (report.resumeMode != kResumeNextSector)
            return TrackEnd::Next;
        const std::size_t nextSector = (resume + distance) / bytesPerSector_ + 1;
        if (nextSector == sectorsPerTrack_)
            return c_.prompter.ask(kEndOfTrack, Buttons::YesNo, Icon::Question) == Answer::Yes ? TrackEnd::Next
                                                                                             : TrackEnd::Stop;
        resume = nextSector * bytesPerSector_;
    }
}

MismatchReport CompareEngine::reportAt(int t, std::size_t resume, std::size_t distance,
                                       std::span<const std::uint8_t> disk, std::span<const std::uint8_t> memory) const
{
    const std::size_t inTrack = resume + distance;
    MismatchReport report;
    report.area = MismatchReport::areaText(c_.doc.geometry.MediaCode, static_cast<std::size_t>(t) * trackSize_ + inTrack);
    report.track = std::to_string(t + 1);
    report.sector = std::to_string(inTrack / bytesPerSector_ + 1);
    report.offset = std::to_string(distance % bytesPerSector_);
    report.bytesPerSector = std::to_string(bytesPerSector_);
    report.sectorsPerTrack = std::to_string(sectorsPerTrack_);
    report.tracksPerDisk = MismatchReport::tracksPerDiskText(static_cast<std::uint32_t>(sectorsPerTrack_));
    report.disketteData = disk.subspan(resume);
    report.memoryData = memory.subspan(resume);
    report.distance = distance;
    return report;
}

} // namespace vellum
