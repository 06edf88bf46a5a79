// libFuzzer entry for the ImageDisk reader: each input is an .IMD file. What
// it accepts must be a diskette image of a size Vellum knows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Error.h"
#include "core/ImdFile.h"
#include "core/StandardFormats.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        if (!formatBySize(ImdFile::decode(fuzz::Input(data, size), "fuzz").bytes.size()))
            std::abort();
    } catch (const Error&) {
    }
    return 0;
}
