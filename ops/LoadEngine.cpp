#include "ops/LoadEngine.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"
#include "core/ViewSink.h"
#include "drive/CDriveServices.h"
#include "drive/DeviceParameterBlock.h"
#include "ops/FatExtent.h"
#include "ops/Progress.h"
#include "drive/SectorRequests.h"
#include "ops/StatusPanel.h"

namespace vellum {

namespace {

const std::string kUnsupportedMedia = "Unsupported Media Type!";
const std::string kNoImageStore = "Insufficient memory to read diskette!";
const std::string kFatsDiffer = "File Allocation Tables do not match.\nDiskette may be corrupted!";

constexpr std::uint32_t kFirstFatSector = 1;
constexpr int kDriveA = 1; // 1-based, as the absolute reads take it
constexpr int kTracksPerCylinder = 2;

std::string storeTooSmall(int tracks, int fit, std::size_t trackBytes)
{
    return "The diskette has " + std::to_string(tracks) + " tracks in use, but the " +
           groupedNumber(kImageStoreSize) + "-byte image store holds only " + std::to_string(fit) +
           " tracks of " + groupedNumber(trackBytes) + " bytes. Only the first " + std::to_string(fit) +
           " tracks are loaded.";
}

} // namespace

int LoadEngine::tracksThatFit(std::size_t trackBytes)
{
    return trackBytes == 0 ? 0 : static_cast<int>(kImageStoreSize / trackBytes);
}

void LoadEngine::run(int drive, bool loadEntireDiskette)
{
    c_.doc.CurrentOperation = kOpLoadDiskette;
    CDriveServices services(c_.drives, c_.prompter);
    services.ResetDrive(drive);
    if (!mediaReady(drive)) {
        c_.doc.OperationState = kUnsuccessful;
        c_.panel.ShowLastOperation(kOpLoadDiskette, kUnsuccessful);
        return;
    }
    // Memory keeps its diskette and geometry until this one is taken.
    DriveGeometry found;
    const std::optional<MediaEntry> row = recognise(services, drive, found);
    if (!row) {
        c_.doc.MediaSizeKind = kMediaNone;
        c_.prompter.tell(kUnsupportedMedia, Icon::None);
        return;
    }
    if (!formatKeeping(found)) {
        c_.prompter.tell("The diskette's boot sector describes " + std::to_string(found.sectorsPerTrack) +
                             " sectors per track and " + groupedNumber(found.totalSectors) +
                             " sectors in all, a layout no diskette image can keep. The diskette is not loaded.",
                         Icon::Stop);
        c_.doc.OperationState = kUnsuccessful;
        c_.panel.ShowLastOperation(kOpLoadDiskette, kUnsuccessful);
        return;
    }
    startOver(found);
    c_.doc.MediaSizeKind = row->mediaSizeKind;
    c_.doc.OperationState = kSuccessful;
    c_.panel.ShowLastOperation(kOpLoadDiskette, kInProgress);
    if (!c_.driver) {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
        c_.doc.OperationState = kUnsuccessful;
    } else if (!c_.doc.hasImage()) {
        c_.prompter.tell(kNoImageStore, Icon::Stop);
        c_.doc.OperationState = kUnsuccessful;
    } else {
        readDiskette(services, drive, *row, loadEntireDiskette);
    }
    if (c_.doc.OperationState == kSuccessful)
        listRoot();
    report();
    touchDriveA(services);
}

void LoadEngine::startOver(const DriveGeometry& diskette)
{
    c_.doc.setGeometry(diskette);
    c_.doc.directory.volumeLabelFound = false;
    c_.doc.LoadedFromFile = 0;
    c_.doc.HeldInPart = false;
    // From here memory holds this diskette, or nothing once the load fails.
    c_.doc.imageChanged = false;
}

bool LoadEngine::mediaReady(int drive)
{
    // Without the driver there is nothing to ask; the load says so later.
    if (!c_.driver)
        return true;
    return SectorRequests(*c_.driver, drive).waitForMedia(c_.prompter);
}

std::optional<MediaEntry> LoadEngine::recognise(CDriveServices& services, int drive, DriveGeometry& found)
{
    DeviceParameterBlock native(kDriveDefaultBpb);
    services.GetDeviceParameters(drive + 1, native);
    DeviceParameterBlock current(kCurrentMediumBpb);
    services.GetDeviceParameters(drive + 1, current);
    found = current.geometry();
    // A track must fit the TransferBuffer it is read through.
    const std::size_t trackBytes = found.trackBytes();
    if (trackBytes == 0 || trackBytes > sizeof(TransferBuffer))
        return std::nullopt;
    return findMedia(found);
}

void LoadEngine::readDiskette(CDriveServices& services, int drive, const MediaEntry& row, bool entire)
{
    c_.progress.Create(c_.doc);
    c_.progress.SetOperationCaption(kProgressLoading);
    if (services.GetLockLevel(drive + 1) == CDriveServices::kNotLocked)
        services.lockForOperation(drive);
    SectorRequests requests(*c_.driver, drive);
    requests.prepareTransfer();
    if (const std::optional<int> cylinders = cylindersToRead(requests, row, entire))
        readTracks(requests, fitToStore(*cylinders * kTracksPerCylinder));
    else
        c_.doc.OperationState = kUnsuccessful;
    requests.endTransfer();
    services.UnlockVolume(drive);
    requests.lockState();
    c_.progress.Destroy();
}

std::optional<int> LoadEngine::cylindersToRead(SectorRequests& requests, const MediaEntry& row, bool entire)
{
    const auto fatSectors = static_cast<std::uint32_t>(row.fatSectors);
    // A failed read would leave another transfer's bytes to be judged as the FAT.
    if (!read(requests, kFirstFatSector, fatSectors))
        return std::nullopt;
    const DriveGeometry& g = c_.doc.geometry;
    const std::span<const std::uint8_t> fats = requests.buffer().first(std::size_t{fatSectors} * g.bytesPerSector);
    if (!FatExtent::fatsAgree(row, fats, g.bytesPerSector)) {
        c_.prompter.tell(kFatsDiffer, Icon::Stop);
        return std::nullopt;
    }
    return FatExtent::cylinders(row, fats.first(fats.size() / 2), g.sectorsPerTrack, entire);
}

int LoadEngine::fitToStore(int tracks)
{
    const int fit = tracksThatFit(c_.doc.geometry.trackBytes());
    if (tracks <= fit)
        return tracks;
    c_.doc.HeldInPart = true;
    c_.prompter.tell(storeTooSmall(tracks, fit, c_.doc.geometry.trackBytes()), Icon::Information);
    return fit;
}

void LoadEngine::readTracks(SectorRequests& requests, int tracks)
{
    const int cylinders = (tracks + 1) / kTracksPerCylinder;
    // Counts what the image holds of this diskette, so a load that stops
    // early never passes off the rest of the store as read.
    c_.doc.TracksLoaded = 0;
    c_.progress.SetBarRange(0, cylinders + 1);
    for (int track = 0; track < tracks; ++track) {
        if (track % kTracksPerCylinder == 0) {
            c_.progress.ShowCylinder(track / kTracksPerCylinder + 1, cylinders);
            c_.progress.StepMain();
        }
        if (!readTrack(requests, track)) {
            c_.doc.OperationState = kUnsuccessful;
            return;
        }
        const std::span<std::uint8_t> target = c_.doc.track(track);
        std::copy_n(requests.buffer().begin(), target.size(), target.begin());
        c_.doc.TracksLoaded = track + 1;
        if (c_.progress.CheckCancel()) {
            c_.doc.OperationState = kCancelled;
            return;
        }
    }
}

bool LoadEngine::readTrack(SectorRequests& requests, int track)
{
    const std::uint32_t perTrack = c_.doc.geometry.sectorsPerTrack;
    return read(requests, static_cast<std::uint32_t>(track) * perTrack, perTrack);
}

bool LoadEngine::read(SectorRequests& requests, std::uint32_t first, std::uint32_t count)
{
    for (std::uint32_t status = requests.read(first, count); status != 0; status = requests.read(first, count))
        if (!SectorRequests::retry(c_.prompter, status))
            return false;
    return true;
}

void LoadEngine::listRoot()
{
    c_.doc.directory.depth = 0;
    c_.doc.directory.chain.fill(0);
    const Fat12Reader::Outcome outcome = Fat12Reader(c_.doc, c_.prompter).ReadDirectory();
    if (!outcome.whole())
        c_.prompter.warn(outcome.warning);
}

void LoadEngine::report()
{
    c_.panel.ShowVolumeAndMemoryStatus(c_.doc);
    c_.panel.ShowLastOperation(kOpLoadDiskette, c_.doc.OperationState);
    if (c_.doc.OperationState == kUnsuccessful) {
        c_.view.post(ViewMessage::Initialize);
        return;
    }
    c_.view.post(ViewMessage::FillList);
    c_.doc.ImageEmpty = 0;
}

void LoadEngine::touchDriveA(CDriveServices& services)
{
    // Has the system read A:'s boot sector afresh; what it finds is not used.
    std::array<std::uint8_t, kSectorBytes> sector{};
    services.AbsoluteRead(kDriveA, 0, 1, sector);
    sector.fill(0);
    services.ExtendedAbsoluteRead(kDriveA, 0, 1, sector);
}

bool LoadEngine::Refresh(bool loadEntireDiskette)
{
    if (!c_.driver) {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
        return false;
    }
    const int drive = c_.doc.SelectedDrive;
    if (!mediaReady(drive))
        return false;
    switch (rereadSystemArea(drive)) {
    case Reread::Done:
        listRoot();
        c_.view.post(ViewMessage::FillList);
        c_.panel.ShowVolumeAndMemoryStatus(c_.doc);
        return true;
    case Reread::OtherDiskette: run(drive, loadEntireDiskette); return true;
    case Reread::Stopped: break;
    }
    return false;
}

LoadEngine::Reread LoadEngine::rereadSystemArea(int drive)
{
    // Without a media table row the system area of the diskette cannot be told.
    const std::optional<MediaEntry> row = findMedia(c_.doc.geometry);
    const auto sectors = static_cast<std::uint32_t>(row ? row->systemSectors : 0);
    const std::size_t bytes = std::size_t{sectors} * c_.doc.geometry.bytesPerSector;
    const std::span<std::uint8_t> image = c_.doc.image();
    if (!row || bytes > sizeof(TransferBuffer) || bytes > image.size() || image.size() < kSectorBytes)
        return Reread::OtherDiskette;
    SectorRequests requests(*c_.driver, drive);
    const std::span<const std::uint8_t> buffer = requests.prepareTransfer();
    Reread outcome = Reread::Done;
    if (!read(requests, 0, 1))
        outcome = Reread::Stopped;
    // Another diskette, or this one formatted anew, has a boot sector of its own.
    else if (!std::equal(image.begin(), image.begin() + kSectorBytes, buffer.begin()))
        outcome = Reread::OtherDiskette;
    else if (!read(requests, 0, sectors))
        outcome = Reread::Stopped;
    else
        std::copy_n(buffer.begin(), bytes, image.begin());
    requests.endTransfer();
    return outcome;
}

} // namespace vellum
