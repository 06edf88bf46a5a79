#include "cli/ImagePath.h"

#include "core/Fat12Reader.h"
#include "core/RawImageFile.h"

namespace vellum::cli {

VolumePath pathsIn(Session& session)
{
    if (session.partialImage.empty())
        return VolumePath(session.doc, session.prompter);
    return VolumePath(session.doc, session.prompter, [&session](std::span<const std::uint16_t> chain) {
        Fat12Reader reader(session.doc, session.prompter);
        RawImageFile file(session.doc, session.prompter);
        const std::uint8_t* const store = session.doc.image().data();
        for (const std::uint16_t cluster : chain) {
            const std::span<const std::uint8_t> data = reader.clusterData(cluster);
            if (!data.empty() &&
                !file.readRange(session.partialImage, static_cast<std::size_t>(data.data() - store), data.size()))
                return false;
        }
        return true;
    });
}

} // namespace vellum::cli
