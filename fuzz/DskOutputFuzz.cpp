// libFuzzer entry for the reading of what vellum-dsk writes, as a faulty
// helper could write anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/DskHelper.h"
#include "core/Error.h"
#include "core/StandardFormats.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        if (!formatBySize(DskHelper::parse(fuzz::Input(data, size), "fuzz").bytes.size()))
            std::abort();
    } catch (const Error&) {
    }
    return 0;
}
