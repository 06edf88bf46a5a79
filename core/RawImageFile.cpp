#include "core/RawImageFile.h"

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"

namespace vellum {

namespace {

// Boot sector fields of the BIOS parameter block.
constexpr std::size_t kBytesPerSectorAt = 11;
constexpr std::size_t kSectorsPerClusterAt = 13;
constexpr std::size_t kReservedAt = 14;
constexpr std::size_t kFatCountAt = 16;
constexpr std::size_t kRootEntriesAt = 17;
constexpr std::size_t kTotalSectorsAt = 19;
constexpr std::size_t kSectorsPerFatAt = 22;
constexpr std::size_t kSectorsPerTrackAt = 24;
constexpr std::size_t kHeadsAt = 26;
constexpr std::uint16_t kHeads = 2;
constexpr std::uint16_t kEntriesPerSector = kSectorBytes / 32;

bool isPowerOfTwo(unsigned v) { return v != 0 && (v & (v - 1)) == 0; }

// True when the boot sector describes a FAT volume of exactly this layout.
bool bpbAgrees(std::span<const std::uint8_t> b, const StandardFormat& f)
{
    const unsigned reserved = le16(b, kReservedAt);
    const unsigned fats = b[kFatCountAt];
    const unsigned root = le16(b, kRootEntriesAt);
    const unsigned spf = le16(b, kSectorsPerFatAt);
    const unsigned systemSectors = reserved + fats * spf + root / kEntriesPerSector;
    return le16(b, kBytesPerSectorAt) == kSectorBytes && le16(b, kSectorsPerTrackAt) == f.sectorsPerTrack &&
           le16(b, kTotalSectorsAt) == f.totalSectors && le16(b, kHeadsAt) == kHeads &&
           isPowerOfTwo(b[kSectorsPerClusterAt]) && reserved >= 1 && (fats == 1 || fats == 2) && spf >= 1 &&
           root >= kEntriesPerSector && root % kEntriesPerSector == 0 && systemSectors < f.totalSectors;
}

} // namespace

std::optional<DriveGeometry> RawImageFile::recognise(std::span<const std::uint8_t> boot, std::size_t fileBytes)
{
    const StandardFormat* format = formatBySize(fileBytes);
    if (!format)
        return std::nullopt;
    DriveGeometry g = format->geometry();
    if (boot.size() >= kSectorBytes && bpbAgrees(boot, *format)) {
        g.sectorsPerCluster = boot[kSectorsPerClusterAt];
        g.reservedSectors = le16(boot, kReservedAt);
        g.numberOfFats = boot[kFatCountAt];
        g.rootEntries = le16(boot, kRootEntriesAt);
        g.sectorsPerFat = le16(boot, kSectorsPerFatAt);
        g.bytesPerCluster = g.sectorsPerCluster * kSectorBytes;
    }
    g.setDmfFlags();
    return g;
}

bool RawImageFile::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Stop);
    return false;
}

bool RawImageFile::open(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::size_t size = std::filesystem::file_size(path, ec);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file || ec)
        return refuse(fileErrorText("open", path));
    if (!doc_.hasImage())
        return refuse("Insufficient memory to read diskette!");

    std::array<std::uint8_t, kSectorBytes> boot{};
    const std::size_t got = std::fread(boot.data(), 1, boot.size(), file.get());
    const auto geometry = recognise(std::span(boot).first(got), size);
    if (!geometry)
        return refuse("\"" + path.string() + "\" is " + groupedNumber(size) +
                      " bytes long, the size of no diskette image Vellum knows (360 KB, 720 KB, 1.2 MB, "
                      "1.44 MB, 1.68 MB DMF or 2.88 MB).");

    const StandardFormat& format = *formatBySize(size);
    const int fitting = static_cast<int>(kImageStoreSize / geometry->trackBytes());
    const int tracks = std::min(format.tracks(), fitting);
    const std::size_t bytes = std::size_t(tracks) * geometry->trackBytes();
    std::rewind(file.get());
    if (std::fread(doc_.image().data(), 1, bytes, file.get()) != bytes)
        return refuse(fileErrorText("read", path));

    doc_.setGeometry(*geometry);
    doc_.MediaSizeKind = format.mediaSizeKind;
    doc_.TracksLoaded = tracks;
    if (tracks < format.tracks())
        prompter_.tell("Only the first " + std::to_string(tracks) + " of the " + std::to_string(format.tracks()) +
                           " tracks of this " + std::string(format.name) + " image fit in memory.",
                       Icon::Information);
    return true;
}

bool RawImageFile::save(const std::filesystem::path& path)
{
    if (!doc_.hasImage())
        return refuse("There is no diskette image in memory to save.");
    if (doc_.geometry.MediaCode == kMediaCode288)
        return refuse("Only part of this 2.88 MB diskette is held in memory, so it cannot be saved whole.");
    const std::size_t loaded = doc_.loadedBytes();
    const std::size_t total = std::max<std::size_t>(std::size_t{doc_.geometry.totalSectors} * doc_.geometry.bytesPerSector, loaded);
    try {
        AtomicFile out(path);
        out.write(doc_.image().first(loaded));
        out.write(std::vector<std::uint8_t>(total - loaded, 0));
        out.commit();
    } catch (const Error& e) {
        return refuse(e.what());
    }
    return true;
}

} // namespace vellum
