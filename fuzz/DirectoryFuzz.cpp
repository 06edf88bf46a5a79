// libFuzzer entry for the directory walks: each input is laid over the
// system area of a 1.44 MB image, whose root is listed and every listed
// directory entered and left; the input's last 11 bytes are also looked up
// as a name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Fat12Reader.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::World world;
    constexpr std::size_t kNameBytes = 11;
    fuzz::layOverSystemArea(world.doc, {data, size});
    Fat12Reader reader(world.doc, world.prompter);
    reader.ReadDirectory();
    for (const ListingRecord& r : std::vector<ListingRecord>(world.doc.directory.listing))
        if (r.shortName != ".." && reader.enterDirectory(r.slot).whole())
            reader.leaveDirectory();
    const std::size_t take = std::min(size, kNameBytes);
    reader.FindEntry(std::string(reinterpret_cast<const char*>(data) + size - take, take));
    return 0;
}
