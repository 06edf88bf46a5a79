#include "ops/CopyEngine.h"

#include <algorithm>
#include <optional>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "core/ViewSink.h"
#include "drive/CDriveServices.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/DriveStatus.h"
#include "ops/DisketteFormatter.h"
#include "ops/LoadEngine.h"
#include "ops/Progress.h"
#include "drive/SectorRequests.h"
#include "ops/StatusPanel.h"

namespace vellum {

namespace {

const std::string kUnformatted = "Media is unformatted - do you wish to format?";
const std::string kOtherSize = "Target Diskette must be the same size as source diskette!";
const std::string kNoMatch = "Diskettes do not match!";

constexpr int kTracksPerCylinder = 2;

} // namespace

std::string CopyEngine::nextDisketteText(int done, int copies, std::int8_t state)
{
    const std::string ending = state == kCancelled    ? "The copy to this diskette was cancelled.\n"
                               : state != kSuccessful ? "The copy to this diskette failed.\n"
                                                      : "";
    return ending + std::to_string(done) + " of " + std::to_string(copies) + " diskettes completed.\n" +
           "Please insert the next diskette and press OK to continue.\n" + "Press Cancel to exit the Copy operation.";
}

int CopyEngine::operation() const
{
    return c_.doc.options.VerifyCopy ? kOpCopyVerifyDiskette : kOpCopyDiskette;
}

void CopyEngine::RunCopy(int target, int copies)
{
    target_ = target;
    c_.doc.CurrentOperation = kOpCopyDiskette;
    if (c_.doc.HeldInPart) {
        c_.prompter.tell(c_.doc.heldInPartText(), Icon::Stop);
        c_.doc.OperationState = kUnsuccessful;
        c_.panel.ShowLastOperation(operation(), kUnsuccessful);
        return;
    }
    CDriveServices services(c_.drives, c_.prompter);
    // One register block for the whole run.
    std::optional<SectorRequests> requests;
    if (c_.driver)
        requests.emplace(*c_.driver, target);
    // Only a diskette written whole (and verified) counts; another takes the place of one that was not.
    for (int done = 0; done < copies;) {
        const Next next = copyDiskette(services, requests ? &*requests : nullptr, done, copies);
        if (next == Next::Abandon)
            return;
        if (next == Next::EndRun)
            break;
    }
    c_.panel.ShowLastOperation(operation(), c_.doc.OperationState);
    c_.view.post(ViewMessage::FillList);
}

CopyEngine::Next CopyEngine::copyDiskette(CDriveServices& services, SectorRequests* requests, int& done, int copies)
{
    const Media media = checkMedia(requests);
    if (media != Media::Ready || !fits(services)) {
        if (requests)
            requests->releaseDrive();
        return media == Media::EndRun ? Next::EndRun : Next::Abandon;
    }
    c_.progress.Create(c_.doc);
    c_.progress.SetOperationCaption(c_.doc.options.VerifyCopy ? kProgressCopyingVerifying : kProgressCopying);
    c_.panel.ShowVolumeAndMemoryStatus(c_.doc);
    c_.doc.OperationState = kSuccessful;
    c_.panel.ShowLastOperation(operation(), kInProgress);
    if (requests) {
        writeDiskette(services, *requests);
        requests->releaseDrive();
    } else {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
        c_.doc.OperationState = kUnsuccessful;
    }
    if (c_.doc.OperationState == kSuccessful)
        ++done;
    // The next-diskette prompt comes up over the progress window, which closes after it.
    const bool more = done >= copies || c_.prompter.ask(nextDisketteText(done, copies, c_.doc.OperationState),
                                                        Buttons::OkCancel, Icon::Information) != Answer::Cancel;
    c_.progress.Destroy();
    return more ? Next::Diskette : Next::EndRun;
}

CopyEngine::Media CopyEngine::checkMedia(SectorRequests* requests)
{
    // Without the driver there is nothing to ask; the copy says so later.
    if (!requests)
        return Media::Ready;
    for (std::uint32_t status = requests->checkMedia(); status != 0; status = requests->checkMedia()) {
        if (status == kStatusUnformatted) {
            if (c_.prompter.ask(kUnformatted, Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
                c_.doc.OperationState = kUnsuccessful;
                return Media::EndRun;
            }
            // A failed DMF format ends the run, in the state the format left
            // (Cancelled after a cancel); a failed shell format is found by the next check.
            if (!formatter_.formatDiskette(target_) && c_.doc.geometry.DmfLargeClusters)
                return Media::Abandon;
            continue;
        }
        if (!SectorRequests::retry(c_.prompter, status)) {
            c_.doc.OperationState = kUnsuccessful;
            c_.panel.ShowLastOperation(operation(), kUnsuccessful);
            return Media::Abandon;
        }
    }
    return Media::Ready;
}

bool CopyEngine::fits(CDriveServices& services)
{
    DeviceParameterBlock block(kCurrentMediumBpb);
    services.GetDeviceParameters(target_ + 1, block);
    const DriveGeometry disk = block.geometry();
    const DriveGeometry& image = c_.doc.geometry;
    // The track layout must agree too, or the image's tracks would land
    // across the diskette's; and a track must fit the TransferBuffer.
    const bool fit = disk.deviceType == image.deviceType && disk.mediaDescriptor == image.mediaDescriptor &&
                     disk.totalSectors == image.totalSectors && disk.trackBytes() == image.trackBytes() &&
                     image.trackBytes() > 0 && image.trackBytes() <= sizeof(TransferBuffer);
    if (!fit) {
        c_.prompter.tell(kOtherSize, Icon::None);
        // The panel stays as it was, but nothing was copied.
        c_.doc.OperationState = kUnsuccessful;
    }
    return fit;
}

void CopyEngine::writeDiskette(CDriveServices& services, SectorRequests& requests)
{
    if (services.GetLockLevel(target_ + 1) == CDriveServices::kNotLocked)
        services.lockForOperation(target_);
    const std::size_t trackBytes = c_.doc.geometry.trackBytes();
    const std::span<std::uint8_t> buffer = requests.prepareTransfer().first(trackBytes);
    const int tracks = std::min(c_.doc.TracksLoaded, LoadEngine::tracksThatFit(trackBytes));
    const int cylinders = (tracks + 1) / kTracksPerCylinder;
    c_.progress.SetBarRange(0, cylinders + 1);
    for (int track = 0; track < tracks; ++track) {
        if (track % kTracksPerCylinder == 0) {
            c_.progress.ShowCylinder(track / kTracksPerCylinder + 1, cylinders);
            c_.progress.StepMain();
        }
        const std::span<const std::uint8_t> source = c_.doc.track(track);
        std::copy(source.begin(), source.end(), buffer.begin());
        if (!writeTrack(services, requests, track))
            break;
        if (c_.doc.options.VerifyCopy && !verifyTrack(requests, track, buffer))
            break;
        if (c_.progress.CheckCancel()) {
            c_.doc.OperationState = kCancelled;
            break;
        }
    }
    requests.endTransfer();
    services.UnlockVolume(target_);
    services.ResetDrive(target_);
}

bool CopyEngine::writeTrack(CDriveServices& services, SectorRequests& requests, int track)
{
    const std::uint32_t perTrack = c_.doc.geometry.sectorsPerTrack;
    const std::uint32_t first = static_cast<std::uint32_t>(track) * perTrack;
    for (std::uint32_t status = requests.write(first, perTrack); status != 0;
         status = requests.write(first, perTrack)) {
        if (!SectorRequests::retry(c_.prompter, status)) {
            c_.doc.OperationState = kUnsuccessful;
            return false;
        }
        resetAfterWriteError(services);
    }
    return true;
}

void CopyEngine::resetAfterWriteError(CDriveServices& services)
{
    services.UnlockVolume(target_);
    services.biosReset(0); // the disk system, as the BIOS resets it through drive A:
    services.lockForOperation(target_);
}

bool CopyEngine::verifyTrack(SectorRequests& requests, int track, std::span<std::uint8_t> buffer)
{
    const std::uint32_t perTrack = c_.doc.geometry.sectorsPerTrack;
    const std::uint32_t first = static_cast<std::uint32_t>(track) * perTrack;
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    for (;;) {
        if (track % kTracksPerCylinder == 0)
            c_.progress.StepVerify(track / kTracksPerCylinder + 1);
        const std::uint32_t status = requests.read(first, perTrack);
        if (status == 0)
            break;
        if (!SectorRequests::retry(c_.prompter, status)) {
            c_.doc.OperationState = kUnsuccessful;
            return false;
        }
    }
    const std::span<const std::uint8_t> source = c_.doc.track(track);
    if (!std::equal(source.begin(), source.end(), buffer.begin())) {
        c_.prompter.tell(kNoMatch, Icon::Exclamation);
        c_.doc.OperationState = kUnsuccessful;
        return false;
    }
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    return true;
}

} // namespace vellum
