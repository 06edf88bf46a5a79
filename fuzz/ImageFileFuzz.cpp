// libFuzzer entry for the .VLM opener: each input is opened as a .VLM file
// held in memory, answering Yes to every corruption question.
#include <cstddef>
#include <cstdint>

#include "core/VlmFile.h"
#include "fuzz/FuzzSupport.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::World world;
    const fuzz::MemoryFile file({data, size});
    VlmFile(world.doc, world.prompter).open(file.path());
    return 0;
}
