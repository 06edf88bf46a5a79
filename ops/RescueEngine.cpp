#include "ops/RescueEngine.h"

#include <algorithm>
#include <string>

#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/Fat12Reader.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "core/UnreadableSector.h"
#include "core/ViewSink.h"
#include "drive/CDriveServices.h"
#include "drive/DeviceParameterBlock.h"
#include "drive/SectorRequests.h"
#include "ops/Progress.h"
#include "ops/StatusPanel.h"

namespace vellum {

namespace {

const std::string kUnsupportedMedia = "Unsupported Media Type!";
const std::string kNoImageStore = "Insufficient memory to read diskette!";
constexpr int kCopyPass = 1;
constexpr int kScrapePass = 2;

using State = RescueMap::State;

SectorState shown(State state)
{
    switch (state) {
    case State::Untried: return SectorState::Untried;
    case State::Read: return SectorState::Read;
    case State::Unscraped:
    case State::Bad: break;
    }
    return SectorState::Bad;
}

std::string sectorsText(std::uint32_t n)
{
    return groupedNumber(n) + (n == 1 ? " sector" : " sectors");
}

std::string passText(int pass, int passes, const std::string& what, std::uint32_t n, std::uint32_t of)
{
    return "Pass " + std::to_string(pass) + " of " + std::to_string(passes) + ": " + what + " " + std::to_string(n) +
           " of " + std::to_string(of);
}

} // namespace

void RescueEngine::run(int drive, int passes, RescueMap& map)
{
    started_ = false;
    drive_ = drive;
    passes_ = passes;
    c_.doc.CurrentOperation = kOpRescueDiskette;
    c_.doc.OperationState = kUnsuccessful;
    CDriveServices services(c_.drives, c_.prompter);
    services.ResetDrive(drive);
    if (!c_.driver) {
        c_.prompter.tell(std::string(SectorRequests::kNotLoaded), Icon::Information);
    } else if (!c_.doc.hasImage()) {
        c_.prompter.tell(kNoImageStore, Icon::Stop);
    } else if (SectorRequests(*c_.driver, drive).waitForMedia(c_.prompter)) {
        layout_ = recognise(services, drive);
        if (layout_ && keepsEarlierImage(*layout_, map))
            readDiskette(services, drive, map);
    }
    if (!started_)
        c_.panel.ShowLastOperation(kOpRescueDiskette, kUnsuccessful);
}

const StandardFormat* RescueEngine::recognise(CDriveServices& services, int drive)
{
    DeviceParameterBlock current(kCurrentMediumBpb);
    if (!services.GetDeviceParameters(drive + 1, current)) {
        // A drive that must read the boot sector to tell the format cannot
        // tell it here; the drive's own format is the likeliest.
        DeviceParameterBlock native(kDriveDefaultBpb);
        services.GetDeviceParameters(drive + 1, native);
        current = native;
        if (const StandardFormat* f = formatKeeping(current.geometry()))
            c_.prompter.tell("The diskette's boot sector cannot be read, so the diskette is taken to be a " +
                                 std::string(f->capacity) + " diskette, the drive's own format.",
                             Icon::Exclamation);
    }
    geometry_ = current.geometry();
    const StandardFormat* layout = formatKeeping(geometry_);
    if (!layout) {
        c_.prompter.tell(kUnsupportedMedia, Icon::None);
        return nullptr;
    }
    if (layout->imageBytes() > kImageStoreSize) {
        c_.prompter.tell("A " + std::string(layout->capacity) + " diskette holds " +
                             groupedNumber(layout->imageBytes()) + " bytes, more than the " +
                             groupedNumber(kImageStoreSize) + "-byte image store; it cannot be rescued as a whole.",
                         Icon::Stop);
        return nullptr;
    }
    return layout;
}

bool RescueEngine::keepsEarlierImage(const StandardFormat& layout, const RescueMap& map)
{
    if (map.sectors() > layout.totalSectors) {
        c_.prompter.tell("The map covers " + sectorsText(map.sectors()) + ", but the " + std::string(layout.capacity) +
                             " diskette in the drive has " + groupedNumber(layout.totalSectors) +
                             ". It belongs to another diskette.",
                         Icon::Stop);
        return false;
    }
    const std::uint32_t read = map.count(State::Read);
    const DriveGeometry& g = c_.doc.geometry;
    const bool same = g.sectorsPerTrack == layout.sectorsPerTrack && g.totalSectors == layout.totalSectors &&
                      c_.doc.loadedBytes() >= layout.imageBytes();
    if (read == 0 || same)
        return true;
    c_.prompter.tell("The map holds " + sectorsText(read) +
                         " an earlier rescue read, but the image in memory "
                         "is not the " +
                         std::string(layout.capacity) +
                         " image it made. Open that image first, or "
                         "start over with a new map.",
                     Icon::Stop);
    return false;
}

void RescueEngine::prepareImage(const StandardFormat& layout, const RescueMap& map)
{
    CVLMDoc& doc = c_.doc;
    // The boot sector's layout of the areas, as a load takes it.
    doc.setGeometry(geometry_);
    doc.TracksLoaded = layout.tracks();
    doc.HeldInPart = false;
    doc.LoadedFromFile = 0;
    doc.directory.volumeLabelFound = false;
    const std::optional<MediaEntry> row = findMedia(geometry_);
    doc.MediaSizeKind = row ? row->mediaSizeKind : std::uint8_t{kMediaNone};
    for (std::uint32_t s = 0; s < layout.totalSectors; ++s)
        if (map.at(s) != State::Read)
            UnreadableSector::fill(doc.image().subspan(std::size_t{s} * kSectorBytes, kSectorBytes));
}

void RescueEngine::readDiskette(CDriveServices& services, int drive, RescueMap& map)
{
    const StandardFormat& layout = *layout_;
    map.extendTo(layout.totalSectors);
    prepareImage(layout, map);
    started_ = true;
    c_.panel.ShowLastOperation(kOpRescueDiskette, kInProgress);
    observer_.layout(layout.cylinders(), layout.sectorsPerTrack);
    for (std::uint32_t s = 0, run = 1; s < map.sectors(); s += run, run = 1) {
        while (s + run < map.sectors() && shown(map.at(s + run)) == shown(map.at(s)))
            ++run;
        observer_.sectorsChanged(s, run, shown(map.at(s)));
    }

    c_.progress.Create(c_.doc);
    c_.progress.SetOperationCaption(kProgressRescuing);
    if (services.GetLockLevel(drive + 1) == CDriveServices::kNotLocked)
        services.lockForOperation(drive);
    SectorRequests requests(*c_.driver, drive);
    requests.prepareTransfer();
    bool going = true;
    for (int pass = kCopyPass; going && pass <= passes_; ++pass) {
        observer_.passStarted(pass, passes_);
        if (pass == kCopyPass)
            going = copyTracks(requests, map);
        else if (pass == kScrapePass)
            going = scrapeSectors(requests, map, pass);
        else
            going = retrySectors(services, requests, map, pass);
        if (going)
            observer_.passEnded(pass, map.sectors() - map.count(State::Read));
    }
    requests.endTransfer();
    services.UnlockVolume(drive);
    requests.lockState();
    c_.progress.Destroy();
    finish(map, !going);
}

bool RescueEngine::copyTracks(SectorRequests& requests, RescueMap& map)
{
    const std::uint32_t perTrack = layout_->sectorsPerTrack;
    const auto tracks = static_cast<std::uint32_t>(layout_->tracks());
    startPass(kCopyPass, tracks);
    for (std::uint32_t t = 0; t < tracks; ++t) {
        // Only the untried runs of the track; what an earlier rescue read is kept.
        for (std::uint32_t s = t * perTrack, end = s + perTrack; s < end;) {
            if (map.at(s) != State::Untried) {
                ++s;
                continue;
            }
            std::uint32_t run = 1;
            while (s + run < end && map.at(s + run) == State::Untried)
                ++run;
            map.setPosition(s, RescueMap::Phase::Copying, kCopyPass);
            readInto(requests, map, s, run, State::Unscraped);
            if (!step(passText(kCopyPass, passes_, "track", t + 1, tracks), static_cast<int>(t + 1)))
                return false;
            s += run;
        }
    }
    return true;
}

bool RescueEngine::scrapeSectors(SectorRequests& requests, RescueMap& map, int pass)
{
    const std::uint32_t total = map.count(State::Unscraped);
    startPass(pass, total);
    std::uint32_t done = 0;
    for (std::uint32_t s = 0; s < map.sectors(); ++s) {
        if (map.at(s) != State::Unscraped)
            continue;
        map.setPosition(s, RescueMap::Phase::Scraping, pass);
        if (!readAgain(requests, map, s, pass, ++done, total))
            return false;
    }
    return true;
}

bool RescueEngine::readAgain(SectorRequests& requests, RescueMap& map, std::uint32_t sector, int pass,
                             std::uint32_t done, std::uint32_t total)
{
    observer_.sectorsChanged(sector, 1, SectorState::Retrying);
    readInto(requests, map, sector, 1, State::Bad);
    return step(passText(pass, passes_, "sector", done, total), static_cast<int>(done));
}

bool RescueEngine::retrySectors(CDriveServices& services, SectorRequests& requests, RescueMap& map, int pass)
{
    const std::uint32_t total = map.count(State::Bad);
    startPass(pass, total);
    std::uint32_t done = 0;
    for (std::uint32_t s = map.sectors(); s-- > 0;) {
        if (map.at(s) != State::Bad)
            continue;
        map.setPosition(s, RescueMap::Phase::Retrying, pass);
        seekAway(services, requests, map, s);
        if (!readAgain(requests, map, s, pass, ++done, total))
            return false;
    }
    return true;
}

bool RescueEngine::readInto(SectorRequests& requests, RescueMap& map, std::uint32_t first, std::uint32_t count,
                            State failed)
{
    const bool read = requests.read(first, count) == 0;
    if (read) {
        const std::size_t bytes = std::size_t{count} * kSectorBytes;
        std::copy_n(requests.buffer().begin(), bytes,
                    c_.doc.image().subspan(std::size_t{first} * kSectorBytes).begin());
    }
    for (std::uint32_t s = first; s < first + count; ++s)
        map.set(s, read ? State::Read : failed);
    observer_.sectorsChanged(first, count, read ? SectorState::Read : SectorState::Bad);
    return read;
}

void RescueEngine::seekAway(CDriveServices& services, SectorRequests& requests, const RescueMap& map,
                            std::uint32_t sector)
{
    // The reset recalibrates a real drive; the read then moves the head
    // across the diskette, so the retry comes at the sector from afar.
    // Neither the read's data nor its outcome is kept.
    services.ResetDrive(drive_);
    const std::uint32_t perCylinder = layout_->sectorsPerTrack * kHeads;
    const std::uint32_t cylinders = layout_->cylinders();
    const std::uint32_t far = sector / perCylinder < cylinders / 2 ? cylinders - 1 : 0;
    std::uint32_t target = far * perCylinder;
    for (std::uint32_t s = target; s < target + perCylinder; ++s)
        if (map.at(s) == State::Read) {
            target = s;
            break;
        }
    requests.read(target, 1);
}

void RescueEngine::startPass(int pass, std::uint32_t steps)
{
    c_.progress.SetBarRange(0, static_cast<int>(steps));
    c_.progress.ShowStatus("Pass " + std::to_string(pass) + " of " + std::to_string(passes_), 0);
}

bool RescueEngine::step(const std::string& status, int position)
{
    c_.progress.ShowStatus(status, position);
    return !c_.progress.CheckCancel();
}

void RescueEngine::finish(RescueMap& map, bool cancelled)
{
    const bool whole = map.count(State::Read) == map.sectors();
    c_.doc.OperationState = cancelled ? kCancelled : whole ? kSuccessful : kUnsuccessful;
    // As ddrescue, a run that went through all its passes is finished, bad sectors or not.
    if (!cancelled)
        map.setPosition(0, RescueMap::Phase::Finished, passes_);
    c_.doc.directory.depth = 0;
    c_.doc.directory.chain.fill(0);
    const Fat12Reader::Outcome outcome = Fat12Reader(c_.doc, c_.prompter).ReadDirectory();
    if (!outcome.whole())
        c_.prompter.tell(outcome.warning, Icon::Exclamation);
    c_.panel.ShowVolumeAndMemoryStatus(c_.doc);
    c_.panel.ShowLastOperation(kOpRescueDiskette, c_.doc.OperationState);
    c_.view.post(ViewMessage::FillList);
    c_.doc.ImageEmpty = 0;
}

} // namespace vellum
