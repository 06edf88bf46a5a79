#include "ops/RootPreview.h"

#include "core/DirectoryArea.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "drive/CDriveServices.h"

namespace vellum {

namespace {

bool listed(std::span<const std::uint8_t> entry)
{
    const std::uint8_t attributes = entry[dirent::kAttributeOffset];
    return entry[0] != dirent::kDeleted && (attributes & dirent::kLongName) != dirent::kLongName &&
           !(attributes & dirent::kVolumeLabel);
}

} // namespace

RootPreview::Result RootPreview::read(DriveBackend& drives, Prompter& prompter, int drive)
{
    CDriveServices services(drives, prompter);
    DeviceParameterBlock block(kCurrentMediumBpb);
    if (!services.GetDeviceParameters(drive + 1, block))
        return {};
    const Bpb bpb = block.bpb();
    if (bpb.bytesPerSector == 0)
        return {};
    const std::uint32_t first = bpb.reservedSectors + std::uint32_t{bpb.numberOfFats} * bpb.sectorsPerFat;
    const std::size_t bytes = std::size_t{bpb.rootEntries} * kDirEntrySize;
    const auto sectors = static_cast<std::uint16_t>((bytes + bpb.bytesPerSector - 1) / bpb.bytesPerSector);
    std::vector<std::uint8_t> root(std::size_t{sectors} * bpb.bytesPerSector);
    if (sectors == 0 || !services.AbsoluteRead(drive + 1, first, sectors, root))
        return {};

    Result result{Status::NoFiles, {}};
    for (std::size_t at = 0; at + kDirEntrySize <= bytes && root[at] != dirent::kEndOfDirectory; at += kDirEntrySize) {
        const auto entry = std::span<const std::uint8_t>(root).subspan(at, kDirEntrySize);
        if (!listed(entry))
            continue;
        std::string name = Fat12Reader::FormatShortName(entry);
        name.erase(name.find_last_not_of(' ') + 1);
        result.entries.push_back({name, (entry[dirent::kAttributeOffset] & dirent::kDirectory) != 0});
    }
    if (!result.entries.empty())
        result.status = Status::Listed;
    return result;
}

} // namespace vellum
