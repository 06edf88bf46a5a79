// libFuzzer entry for the geometry a raw image takes from its boot sector:
// the first byte picks an image size, the rest is the boot sector. The
// geometry must give areas inside the image, and its root must list.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Fat12Reader.h"
#include "core/RawImageFile.h"
#include "core/StandardFormats.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::World world;
    // Every diskette size, and one of none.
    static constexpr std::array<std::size_t, 7> kSizes = {368'640, 737'280, 1'228'800, 1'474'560,
                                                          1'720'320, 2'949'120, 1'000};
    if (size == 0)
        return 0;
    const std::size_t bytes = kSizes[data[0] % kSizes.size()];
    const fuzz::Input boot(data + 1, std::min<std::size_t>(size - 1, kSectorBytes));
    const auto geometry = RawImageFile::recognise(boot, bytes);
    if (!geometry)
        return 0;
    if (geometry->trackBytes() == 0 || geometry->totalSectors * std::size_t{kSectorBytes} != bytes)
        std::abort();
    CVLMDoc& doc = world.doc;
    doc.setGeometry(*geometry);
    doc.TracksLoaded = static_cast<int>(kImageStoreSize / geometry->trackBytes());
    std::fill(doc.image().begin(), doc.image().end(), 0);
    std::copy(boot.begin(), boot.end(), doc.image().begin());
    doc.directory.depth = 0;
    doc.directory.chain.fill(0);
    Fat12Reader(doc, world.prompter).ReadDirectory();
    return 0;
}
