#include "ops/CopyFormatter.h"

#include "core/CVLMDoc.h"
#include "ops/DmfFormat.h"

namespace vellum {

bool CopyFormatter::formatDiskette(int drive)
{
    if (!c_.doc.geometry.DmfLargeClusters)
        return cylinders_.formatDiskette(drive);
    DmfFormatOptions options;
    options.drive = drive;
    options.noLabel = true;
    return DmfFormat(c_).FormatDmf(options) != 0;
}

} // namespace vellum
