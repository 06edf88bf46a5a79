#include "drive/DeviceParameterBlock.h"

#include "core/Bytes.h"

namespace vellum {

namespace {
// Byte offsets in the block.
constexpr std::size_t kDeviceTypeAt = 1;
constexpr std::size_t kCylindersAt = 4;
constexpr std::size_t kBytesPerSectorAt = 7;
constexpr std::size_t kSectorsPerClusterAt = 9;
constexpr std::size_t kReservedSectorsAt = 10;
constexpr std::size_t kNumberOfFatsAt = 12;
constexpr std::size_t kRootEntriesAt = 13;
constexpr std::size_t kTotalSectorsAt = 15;
constexpr std::size_t kMediaDescriptorAt = 17;
constexpr std::size_t kSectorsPerFatAt = 18;
constexpr std::size_t kSectorsPerTrackAt = 20;
constexpr std::size_t kHeadsAt = 22;
} // namespace

DeviceParameterBlock::DeviceParameterBlock(std::uint8_t specialFunctions)
{
    bytes_[0] = specialFunctions;
}

std::uint16_t DeviceParameterBlock::cylinders() const
{
    return le16(bytes_, kCylindersAt);
}

Bpb DeviceParameterBlock::bpb() const
{
    Bpb b;
    b.bytesPerSector = le16(bytes_, kBytesPerSectorAt);
    b.sectorsPerCluster = bytes_[kSectorsPerClusterAt];
    b.reservedSectors = le16(bytes_, kReservedSectorsAt);
    b.numberOfFats = bytes_[kNumberOfFatsAt];
    b.rootEntries = le16(bytes_, kRootEntriesAt);
    b.totalSectors = le16(bytes_, kTotalSectorsAt);
    b.mediaDescriptor = bytes_[kMediaDescriptorAt];
    b.sectorsPerFat = le16(bytes_, kSectorsPerFatAt);
    b.sectorsPerTrack = le16(bytes_, kSectorsPerTrackAt);
    b.heads = le16(bytes_, kHeadsAt);
    return b;
}

void DeviceParameterBlock::fill(std::uint8_t deviceType, const Bpb& b)
{
    bytes_[kDeviceTypeAt] = deviceType;
    putLe16(bytes_, kCylindersAt, static_cast<std::uint16_t>(b.cylinders()));
    putLe16(bytes_, kBytesPerSectorAt, b.bytesPerSector);
    bytes_[kSectorsPerClusterAt] = b.sectorsPerCluster;
    putLe16(bytes_, kReservedSectorsAt, b.reservedSectors);
    bytes_[kNumberOfFatsAt] = b.numberOfFats;
    putLe16(bytes_, kRootEntriesAt, b.rootEntries);
    putLe16(bytes_, kTotalSectorsAt, b.totalSectors);
    bytes_[kMediaDescriptorAt] = b.mediaDescriptor;
    putLe16(bytes_, kSectorsPerFatAt, b.sectorsPerFat);
    putLe16(bytes_, kSectorsPerTrackAt, b.sectorsPerTrack);
    putLe16(bytes_, kHeadsAt, b.heads);
}

DriveGeometry DeviceParameterBlock::geometry() const
{
    return DriveGeometry::from(bpb(), deviceType());
}

} // namespace vellum
