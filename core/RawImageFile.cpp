#include "core/RawImageFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/AtomicFile.h"
#include "core/BlockFile.h"
#include "core/Bpb.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/MediaTable.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"

namespace vellum {

std::optional<DriveGeometry> RawImageFile::recognise(std::span<const std::uint8_t> boot, std::size_t fileBytes)
{
    const StandardFormat* format = formatBySize(fileBytes);
    if (!format)
        return std::nullopt;
    DriveGeometry g = format->geometry();
    const auto bpb = Bpb::fromBootSector(boot, format->totalSectors);
    if (bpb && bpb->sectorsPerTrack == format->sectorsPerTrack && bpb->heads == kHeads) {
        g.sectorsPerCluster = bpb->sectorsPerCluster;
        g.reservedSectors = bpb->reservedSectors;
        g.numberOfFats = bpb->numberOfFats;
        g.rootEntries = bpb->rootEntries;
        g.sectorsPerFat = bpb->sectorsPerFat;
    }
    g.setDmfFlags();
    return g;
}

bool RawImageFile::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Stop);
    return false;
}

bool RawImageFile::open(const std::filesystem::path& path, ImageExtent extent)
{
    std::error_code ec;
    const std::size_t size = std::filesystem::file_size(path, ec);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file || ec)
        return refuse(fileErrorText("open", path));
    std::array<std::uint8_t, kSectorBytes> boot{};
    const std::size_t got = std::fread(boot.data(), 1, boot.size(), file.get());
    return load(std::span(boot).first(got), size, path.string(), extent, [&](std::span<std::uint8_t> into) {
        std::rewind(file.get());
        if (std::fread(into.data(), 1, into.size(), file.get()) == into.size())
            return true;
        return refuse(fileErrorText("read", path));
    });
}

bool RawImageFile::open(std::span<const std::uint8_t> bytes, const std::string& name)
{
    return load(bytes.first(std::min<std::size_t>(bytes.size(), kSectorBytes)), bytes.size(), name, ImageExtent::Whole,
                [&](std::span<std::uint8_t> into) {
                    std::copy_n(bytes.begin(), into.size(), into.begin());
                    return true;
                });
}

bool RawImageFile::load(std::span<const std::uint8_t> boot, std::size_t size, const std::string& name,
                        ImageExtent extent, const std::function<bool(std::span<std::uint8_t>)>& read)
{
    if (!doc_.hasImage())
        return refuse("Insufficient memory to read diskette!");
    const auto geometry = recognise(boot, size);
    if (!geometry)
        return refuse("\"" + name + "\" is " + groupedNumber(size) +
                      " bytes long, the size of no diskette image Vellum knows (360 KB, 720 KB, 1.2 MB, "
                      "1.44 MB, 1.68 MB DMF or 2.88 MB).");

    const StandardFormat& format = *formatBySize(size);
    const int fitting = static_cast<int>(kImageStoreSize / geometry->trackBytes());
    const int tracks = std::min(format.tracks(), fitting);
    const std::size_t loadable = std::size_t(tracks) * geometry->trackBytes();
    const std::size_t bytes = extent == ImageExtent::Whole
                                  ? loadable
                                  : std::min(loadable, std::max(AreaPointers::from(*geometry).dataArea, boot.size()));
    // Memory changes only once the file was read whole.
    CVLMDoc::Store store = CVLMDoc::freshStore();
    if (!store)
        return refuse(std::string(CVLMDoc::kNoImageMemory));
    if (!read({store.get(), bytes}))
        return false;

    doc_.adoptImage(std::move(store));
    doc_.setGeometry(*geometry);
    doc_.MediaSizeKind = format.mediaSizeKind;
    doc_.TracksLoaded = tracks;
    doc_.HeldInPart = tracks < format.tracks();
    if (tracks < format.tracks())
        prompter_.tell("Only the first " + std::to_string(tracks) + " of the " + std::to_string(format.tracks()) +
                           " tracks of this " + std::string(format.name) + " image fit in memory.",
                       Icon::Information);
    return true;
}

bool RawImageFile::readRange(const std::filesystem::path& path, std::size_t offset, std::size_t bytes)
{
    if (offset > doc_.image().size() || bytes > doc_.image().size() - offset)
        return refuse("The range of " + groupedNumber(bytes) + " bytes at " + groupedNumber(offset) + " lies beyond the " +
                      groupedNumber(kImageStoreSize) + "-byte image store.");
    try {
        BlockFile file = BlockFile::openRead(path);
        file.readAt(offset, doc_.image().subspan(offset, bytes)); // past the end of the file stays zero
    } catch (const Error& e) {
        return refuse(e.what());
    }
    return true;
}

bool RawImageFile::save(const std::filesystem::path& path)
{
    if (!doc_.hasImage())
        return refuse("There is no diskette image in memory to save.");
    if (doc_.geometry.MediaCode == kMediaCode288)
        return refuse(std::string(kHeldInPartText));
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
