// libFuzzer entry for the label and save paths: the input's first 11 bytes
// are a label, the rest is laid over the system area of a 1.44 MB image.
// The label goes in, the image is saved as a .VLM file and opened again,
// and what opens must be what was saved.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Fat12Reader.h"
#include "core/ImageFile.h"
#include "core/ViewSink.h"
#include "fuzz/FuzzSupport.h"
#include "ops/StatusPanel.h"
#include "ops/VolumeLabel.h"

using namespace vellum;

namespace {

class NoView : public ViewSink {
public:
    void post(ViewMessage) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::World world;
    static fuzz::World reopened;
    static const auto file = fuzz::privateFolder() / "label.VLM";
    const std::size_t labelBytes = std::min(size, kVolumeLabelLength);
    const std::string label(reinterpret_cast<const char*>(data), labelBytes);
    CVLMDoc& doc = world.doc;
    fuzz::layOverSystemArea(doc, {data + labelBytes, size - labelBytes});
    doc.TracksLoaded = 4; // the system area and a little more: a quick save
    Fat12Reader(doc, world.prompter).ReadDirectory();
    StatusPanel panel;
    NoView view;
    VolumeLabel(doc, world.prompter, panel, view).apply(label, label.empty(), false, 0);

    if (!ImageFile(doc, world.prompter).save(file, label))
        return 0;
    if (!ImageFile(reopened.doc, reopened.prompter).open(file))
        std::abort();
    const auto saved = doc.image().first(doc.loadedBytes());
    const auto opened = reopened.doc.image().first(reopened.doc.loadedBytes());
    if (!std::equal(saved.begin(), saved.end(), opened.begin(), opened.end()))
        std::abort();
    return 0;
}
