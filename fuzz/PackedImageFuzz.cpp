// libFuzzer entry for packed images: each input is a file opened as gzip, xz
// or zip by its first bytes. Nothing unpacks past the largest diskette.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/CompressedImage.h"
#include "core/Error.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::Input input(data, size);
    const CompressedImage::Kind kind = CompressedImage::kindOf(input);
    if (kind == CompressedImage::Kind::None)
        return 0;
    const fuzz::MemoryFile file(input);
    try {
        if (CompressedImage::unpack(file.path(), kind, {}).size() > CompressedImage::kMostBytes)
            std::abort();
    } catch (const Error&) {
    }
    return 0;
}
