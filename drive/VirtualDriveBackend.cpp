#include "drive/VirtualDriveBackend.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/ForeignImage.h"
#include "drive/DriveStatus.h"

namespace vellum {

namespace {

bool isPermutation(const std::vector<std::uint8_t>& ids, std::uint32_t sectorsPerTrack)
{
    if (ids.size() != sectorsPerTrack)
        return false;
    std::vector<std::uint8_t> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::uint8_t> expected(sectorsPerTrack);
    std::iota(expected.begin(), expected.end(), std::uint8_t{1});
    return sorted == expected;
}

// "368,640 (360K), 737,280 (720K), ..."
std::string imageSizes()
{
    std::string sizes;
    for (const StandardFormat& f : standardFormats())
        sizes += (sizes.empty() ? "" : ", ") + groupedNumber(f.imageBytes()) + " (" + std::string(f.capacity) + ")";
    return sizes;
}

// Whether a stat shows the file a medium was seen as. Its times count only
// for a blank medium, whose marker names them: writes to a formatted one,
// ours or another's, change nothing of what the drive reports.
bool sameFile(const struct stat& a, const struct stat& b, bool blank)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mode == b.st_mode &&
           (!blank || (a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec));
}

// The status for a drive number that names no drive; empty for A: and B:.
std::optional<int> absent(int drive)
{
    if (drive < 0 || drive >= DriveBackend::kDrives)
        return kStatusNoDevice;
    return std::nullopt;
}

} // namespace

VirtualDriveBackend::VirtualDriveBackend(Profile& profile) : settings_(profile) {}

void VirtualDriveBackend::insert(int drive, const std::filesystem::path& file)
{
    const std::filesystem::path path = std::filesystem::absolute(file);
    const VirtualMedium m(path);
    if (m.state() == VirtualMedium::State::Missing)
        throw Error("There is no diskette image file \"" + path.string() + "\"");
    if (m.state() == VirtualMedium::State::UnknownSize)
        throw Error("\"" + path.string() + "\" is " + groupedNumber(m.size()) +
                    " bytes, which no diskette holds; a diskette image is " + imageSizes() + " bytes");
    MediumFaults::read(path, *m.format());
    put(drive, path);
}

void VirtualDriveBackend::insertImage(int drive, const std::filesystem::path& file, const std::filesystem::path& folder)
{
    const auto [held, member] = ForeignImage::split(file);
    const auto image = ForeignImage::read(held, member);
    if (!image) {
        insert(drive, file);
        return;
    }
    std::filesystem::create_directories(folder);
    const std::filesystem::path raw = folder / (file.filename().string() + ".img");
    AtomicFile out(raw);
    out.write(image->bytes);
    out.commit();
    insert(drive, raw);
    setWriteProtected(drive, true);
}

void VirtualDriveBackend::eject(int drive)
{
    put(drive, {});
}

void VirtualDriveBackend::put(int drive, const std::filesystem::path& medium)
{
    settings_.setMedium(drive, medium.string());
    // The tab belongs to the diskette that leaves the drive.
    settings_.setWriteProtected(drive, false);
    seen_[static_cast<std::size_t>(drive)].reset();
    faults_.at(static_cast<std::size_t>(drive)).clear();
    std::erase_if(sectorIds_, [drive](const auto& entry) { return std::get<0>(entry.first) == drive; });
}

void VirtualDriveBackend::setWriteProtected(int drive, bool on)
{
    settings_.setWriteProtected(drive, on);
}

void VirtualDriveBackend::setDeviceType(int drive, int dosType)
{
    settings_.setDeviceType(drive, dosType);
}

const DriveType& VirtualDriveBackend::driveType(int drive) const
{
    return *driveTypeOf(settings_.deviceType(drive));
}

std::optional<VirtualMedium> VirtualDriveBackend::medium(int drive) const
{
    const VirtualMedium* m = current(drive);
    return m ? std::optional(*m) : std::nullopt;
}

const VirtualMedium* VirtualDriveBackend::current(int drive) const
{
    const std::string& path = settings_.medium(drive);
    auto& seen = seen_[static_cast<std::size_t>(drive)];
    if (path.empty()) {
        seen.reset();
        return nullptr;
    }
    struct stat now {};
    const bool exists = ::stat(path.c_str(), &now) == 0;
    if (!seen || !exists || seen->path != path ||
        !sameFile(seen->seen, now, seen->medium.state() == VirtualMedium::State::Blank))
        seen = SeenMedium{path, now, VirtualMedium(path)};
    return &seen->medium;
}

bool VirtualDriveBackend::writeProtected(int drive) const
{
    const VirtualMedium* m = current(drive);
    return settings_.writeProtected(drive) || (m && m->readOnly());
}

std::optional<std::vector<std::uint8_t>> VirtualDriveBackend::sectorIds(int drive, std::uint32_t cylinder,
                                                                      int head) const
{
    const auto it = sectorIds_.find({drive, cylinder, head});
    if (it == sectorIds_.end())
        return std::nullopt;
    return it->second;
}

int VirtualDriveBackend::reachable(int drive, const VirtualMedium* medium) const
{
    if (!medium)
        return kStatusNotReady;
    switch (medium->state()) {
    case VirtualMedium::State::Missing: return kStatusMediaRemoved;
    case VirtualMedium::State::UnknownSize: return kStatusWrongMedia;
    case VirtualMedium::State::Blank:
    case VirtualMedium::State::Formatted: break;
    }
    return driveType(drive).takes(*medium->format()) ? kStatusOk : kStatusWrongMedia;
}

int VirtualDriveBackend::parameters(int drive, SpecialFunctions which, DriveParameters& out)
{
    if (const auto status = absent(drive))
        return *status;
    const DriveType& type = driveType(drive);
    out.deviceType = type.dosType;
    if (which == kDriveDefaultBpb) {
        out.bpb = type.native().bpb();
        return kStatusOk;
    }
    const VirtualMedium* m = current(drive);
    if (const int status = reachable(drive, m))
        return status;
    // A blank or unreadable boot sector leaves the geometry the size implies.
    out.bpb = m->bootSectorBpb().value_or(m->format()->bpb());
    return kStatusOk;
}

int VirtualDriveBackend::checkMedia(int drive)
{
    if (const auto status = absent(drive))
        return *status;
    // Every operation starts here: a diskette inserted, ejected or
    // write-protected meanwhile by vlm counts from now on.
    settings_.reload();
    const VirtualMedium* m = current(drive);
    if (const int status = reachable(drive, m))
        return status;
    // The fault file too is taken in here, once an operation, not at every request.
    try {
        faults_.at(static_cast<std::size_t>(drive)).follow(m->path(), *m->format());
    } catch (const Error&) {
        // A fault file edited into a malformed one since the diskette went in:
        // the diskette fails rather than pass for a sound one.
        return kStatusHardware;
    }
    return m->state() == VirtualMedium::State::Blank ? kStatusUnformatted : kStatusOk;
}

int VirtualDriveBackend::prepareTransfer(int drive)
{
    return absent(drive).value_or(kStatusOk);
}

int VirtualDriveBackend::transferStatus(int drive, std::uint32_t first, std::uint32_t count,
                                        const VirtualMedium* medium, bool writing) const
{
    if (const int status = reachable(drive, medium))
        return status;
    if (writing && (settings_.writeProtected(drive) || medium->readOnly()))
        return kStatusWriteProtect;
    if (medium->state() == VirtualMedium::State::Blank)
        return kStatusUnformatted;
    const std::uint64_t end = std::uint64_t{first} + count;
    return count == 0 || end > medium->format()->totalSectors ? kStatusInvalid : kStatusOk;
}

int VirtualDriveBackend::readSectors(int drive, std::uint32_t first, std::span<std::uint8_t> out)
{
    const auto count = static_cast<std::uint32_t>(out.size() / kSectorBytes);
    if (const auto status = absent(drive))
        return *status;
    if (out.size() % kSectorBytes != 0)
        return kStatusInvalid;
    const VirtualMedium* m = current(drive);
    if (const int status = transferStatus(drive, first, count, m, false))
        return status;
    if (const int status = faultStatus(drive, first, count, false))
        return status;
    return m->read(first, out);
}

int VirtualDriveBackend::writeSectors(int drive, std::uint32_t first, std::span<const std::uint8_t> data)
{
    const auto count = static_cast<std::uint32_t>(data.size() / kSectorBytes);
    if (const auto status = absent(drive))
        return *status;
    if (data.size() % kSectorBytes != 0)
        return kStatusInvalid;
    const VirtualMedium* m = current(drive);
    if (const int status = transferStatus(drive, first, count, m, true))
        return status;
    if (const int status = faultStatus(drive, first, count, true))
        return status;
    return m->write(first, data);
}

int VirtualDriveBackend::faultStatus(int drive, std::uint32_t first, std::uint32_t count, bool writing)
{
    MediumFaults& faults = faults_.at(static_cast<std::size_t>(drive));
    return writing ? faults.write(first, count) : faults.read(first, count);
}

int VirtualDriveBackend::formatStatus(int drive, const CylinderFormat& format, const VirtualMedium& medium,
                                      const StandardFormat*& layout) const
{
    if (settings_.writeProtected(drive) || medium.readOnly())
        return kStatusWriteProtect;
    if (format.sizeCode != kSizeCode512)
        return kStatusInvalid;
    // The medium keeps its kind; the sector count picks the layout of that kind.
    layout = formatFor(medium.format()->kind, format.sectorsPerTrack());
    if (!layout || !driveType(drive).takes(*layout))
        return kStatusWrongMedia;
    // The image holds sectors by number, so every number of the track must be there once.
    for (const auto& ids : format.sectorIds)
        if (!isPermutation(ids, format.sectorsPerTrack()))
            return kStatusInvalid;
    return kStatusOk;
}

int VirtualDriveBackend::formatCylinder(int drive, const CylinderFormat& format)
{
    if (const auto status = absent(drive))
        return *status;
    auto m = medium(drive);
    if (const int status = reachable(drive, m ? &*m : nullptr))
        return status;
    const StandardFormat* layout = nullptr;
    if (const int status = formatStatus(drive, format, *m, layout))
        return status;
    // Its layout and marker change: the next request looks at the file anew.
    seen_[static_cast<std::size_t>(drive)].reset();
    if (const int status = m->formatCylinder(format.cylinder, *layout))
        return status;
    for (int head = 0; head < kHeads; ++head)
        sectorIds_[{drive, format.cylinder, head}] = format.sectorIds[static_cast<std::size_t>(head)];
    return kStatusOk;
}

int VirtualDriveBackend::endFormat(int drive)
{
    return absent(drive).value_or(kStatusOk);
}

void VirtualDriveBackend::endTransfer(int /*drive*/) {}

void VirtualDriveBackend::releaseDrive(int /*drive*/) {}

int VirtualDriveBackend::reset(int drive)
{
    return absent(drive).value_or(kStatusOk);
}

int VirtualDriveBackend::lockLevel(int drive, std::optional<int>& level)
{
    if (const auto status = absent(drive))
        return *status;
    level = locks_.level(drive);
    return kStatusOk;
}

int VirtualDriveBackend::lockVolume(int drive, int level, int /*permissions*/)
{
    if (const auto status = absent(drive))
        return *status;
    locks_.lock(drive, level);
    return kStatusOk;
}

int VirtualDriveBackend::unlockVolume(int drive)
{
    if (const auto status = absent(drive))
        return *status;
    return locks_.unlock(drive) ? kStatusOk : kStatusUnlockWithoutLock;
}

} // namespace vellum
