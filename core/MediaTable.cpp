#include "core/MediaTable.h"

namespace vellum {

namespace {

constexpr std::array<MediaEntry, 10> kMediaTable = {{
    // code   layout                   fmt kind sys fat  last  base spc cyl
    {0x0FD, DmfLayout::None,           0, kMedia525Inch, 12, 4, 532, 11, 2, 40},
    {0x1FD, DmfLayout::None,           0, kMedia525Inch, 12, 4, 532, 11, 2, 40},
    {0x1F0, DmfLayout::None,           2, kMedia525Inch, 29, 14, 3558, 28, 1, 80},
    {0x1F9, DmfLayout::None,           2, kMedia525Inch, 29, 14, 3558, 28, 1, 80},
    {0x2F9, DmfLayout::None,           1, kMedia35Inch, 14, 6, 1071, 13, 2, 80},
    {0x7F9, DmfLayout::None,           1, kMedia35Inch, 14, 6, 1071, 13, 2, 80},
    {0x7F0, DmfLayout::None,           3, kMedia35Inch, 33, 18, 4271, 32, 1, 80},
    {0x7F0, DmfLayout::LargeClusters,  4, kMedia35Inch, 8, 6, 1259, 7, 4, 80},
    {0x7F0, DmfLayout::OtherLayout,    3, kMedia35Inch, 20, 18, 4271, 32, 1, 80},
    {kMediaCode288, DmfLayout::None,  -1, kMedia35Inch, 34, 18, 4295, 33, 2, 80},
}};

DmfLayout layoutOf(const DriveGeometry& g)
{
    if (g.DmfLargeClusters)
        return DmfLayout::LargeClusters;
    if (g.DmfOtherLayout)
        return DmfLayout::OtherLayout;
    return DmfLayout::None;
}

} // namespace

std::optional<MediaEntry> findMedia(const DriveGeometry& g)
{
    const DmfLayout layout = layoutOf(g);
    for (const MediaEntry& e : kMediaTable)
        if (e.mediaCode == g.MediaCode && e.dmf == layout)
            return e;
    // The DMF flags only refine 0x7F0; any other code ignores them.
    for (const MediaEntry& e : kMediaTable)
        if (e.mediaCode == g.MediaCode && e.dmf == DmfLayout::None)
            return e;
    return std::nullopt;
}

std::optional<int> FormatOf(const DriveGeometry& g)
{
    const auto entry = findMedia(g);
    if (!entry || entry->formatIndex < 0)
        return std::nullopt;
    return entry->formatIndex;
}

} // namespace vellum
