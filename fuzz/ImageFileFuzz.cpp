// libFuzzer entry for the image-file opener and the FAT12 reader: each input
// is opened as a .VLM file, and laid over the system area of a 1.44 MB image
// whose root directory is then listed and walked.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/CVLMDoc.h"
#include "core/Fat12Reader.h"
#include "core/ImageFile.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"
#include "tests/support/MemoryProfile.h"

namespace {

using namespace vellum;

// Answers Yes to every question, so the opener reads as far as it can.
class YesPrompter : public Prompter {
public:
    Answer ask(const std::string&, Buttons buttons, Icon) override
    {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

test::MemoryProfile profile;
YesPrompter prompter;
CVLMDoc doc(profile, prompter);
const std::filesystem::path file =
    std::filesystem::temp_directory_path() / ("vellum-fuzz-" + std::to_string(getpid()) + ".VLM");

void openAsVlm(const std::uint8_t* data, std::size_t size)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    ImageFile(doc, prompter).open(file);
}

void walkDirectories(const std::uint8_t* data, std::size_t size)
{
    const StandardFormat& format = *formatByCode(6);
    doc.setGeometry(format.geometry());
    doc.TracksLoaded = format.tracks();
    auto image = doc.image();
    std::fill(image.begin(), image.begin() + 64 * 1024, 0);
    std::copy_n(data, std::min(size, image.size()), image.begin() + 512);
    doc.directory.depth = 0;
    doc.directory.chain.fill(0);
    Fat12Reader reader(doc, prompter);
    reader.ReadDirectory();
    for (const ListingRecord& r : std::vector<ListingRecord>(doc.directory.listing))
        if (r.shortName != ".." && reader.enterDirectory(r.shortName).whole())
            reader.leaveDirectory();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    openAsVlm(data, size);
    walkDirectories(data, size);
    return 0;
}
