#include "core/TrackLayout.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "core/Error.h"
#include "core/StandardFormats.h"
#include "core/UnreadableSector.h"

namespace vellum {

namespace {

constexpr std::uint32_t kMostHeads = 2;

std::string where(std::uint32_t cylinder, std::uint32_t head)
{
    return "cylinder " + std::to_string(cylinder) + ", head " + std::to_string(head);
}

std::string_view stateText(FoundState state)
{
    switch (state) {
    case FoundState::Deleted: return "deleted data";
    case FoundState::DataError: return "data error";
    default: return "unreadable";
    }
}

} // namespace

void TrackLayout::checkTrack(const FoundTrack& track, std::uint32_t sectors, const std::string& name)
{
    const std::string start = "\"" + name + "\" holds ";
    if (track.sectorBytes != kSectorBytes)
        throw Error(start + groupedNumber(track.sectorBytes) + "-byte sectors at " + where(track.cylinder, track.head) +
                    ", not the 512-byte sectors of a PC diskette.");
    if (track.head >= kMostHeads)
        throw Error(start + "a track on head " + std::to_string(track.head) + ", which no PC diskette has.");
    std::vector<std::uint32_t> ids;
    for (const FoundSector& s : track.sectors)
        ids.push_back(s.id);
    std::sort(ids.begin(), ids.end());
    if (ids.empty())
        throw Error(start + "a track without sectors at " + where(track.cylinder, track.head) + ".");
    bool contiguous = true;
    bool standard = ids.size() == sectors;
    for (std::uint32_t i = 0; i < ids.size(); ++i) {
        contiguous = contiguous && ids[i] == ids.front() + i;
        standard = standard && ids[i] == i + 1;
    }
    const std::string found = "sectors numbered " + std::to_string(ids.front()) + " to " + std::to_string(ids.back()) +
                              " at " + where(track.cylinder, track.head);
    if (contiguous && ids.front() != 1)
        throw Error(start + found + ", a non-IBM layout such as a CP/M diskette's; a PC diskette numbers them from 1.");
    if (!standard)
        throw Error(start + "a track with a mixed or missing sector: " + std::to_string(ids.size()) + " " + found +
                    " where a PC diskette has 1 to " + std::to_string(sectors) + ".");
}

void TrackLayout::layTrack(const FoundTrack& track, std::size_t at, DecodedImage& image)
{
    // Marks go by sector number, whatever the order on the track.
    std::vector<const FoundSector*> inOrder;
    for (const FoundSector& s : track.sectors)
        inOrder.push_back(&s);
    std::sort(inOrder.begin(), inOrder.end(), [](const auto* a, const auto* b) { return a->id < b->id; });
    for (const FoundSector* s : inOrder) {
        const std::span<std::uint8_t> into(image.bytes.data() + at + (s->id - 1) * std::size_t{kSectorBytes}, kSectorBytes);
        if (s->state == FoundState::Unreadable)
            UnreadableSector::fill(into);
        else
            std::copy_n(s->data.begin(), std::min<std::size_t>(s->data.size(), kSectorBytes), into.begin());
        if (s->state != FoundState::Good)
            image.marks.push_back(where(track.cylinder, track.head) + ", sector " + std::to_string(s->id) + " (" +
                                  std::string(stateText(s->state)) + ")");
    }
}

DecodedImage TrackLayout::toImage(const std::vector<FoundTrack>& tracks, const std::string& name)
{
    if (tracks.empty() || tracks.front().sectors.empty())
        throw Error("\"" + name + "\" holds no sectors.");
    const auto sectors = static_cast<std::uint32_t>(tracks.front().sectors.size());
    std::map<std::pair<std::uint32_t, std::uint32_t>, const FoundTrack*> byPlace;
    std::uint32_t cylinders = 0;
    std::uint32_t heads = 1;
    for (const FoundTrack& t : tracks) {
        checkTrack(t, sectors, name);
        if (!byPlace.emplace(std::pair(t.cylinder, t.head), &t).second)
            throw Error("\"" + name + "\" holds " + where(t.cylinder, t.head) + " twice.");
        cylinders = std::max(cylinders, t.cylinder + 1);
        heads = std::max(heads, t.head + 1);
    }
    const std::size_t bytes = std::size_t{cylinders} * heads * sectors * kSectorBytes;
    if (byPlace.size() != std::size_t{cylinders} * heads || !formatBySize(bytes))
        throw Error("\"" + name + "\" holds " + std::to_string(byPlace.size()) + " tracks of " +
                    std::to_string(sectors) + " sectors on " + std::to_string(heads) + (heads == 1 ? " head" : " heads") +
                    ", no PC diskette layout Vellum knows (" + capacityList() + ").");
    DecodedImage image;
    image.bytes.resize(bytes);
    for (const auto& [place, track] : byPlace)
        layTrack(*track, ((std::size_t{place.first} * heads + place.second) * sectors) * kSectorBytes, image);
    return image;
}

} // namespace vellum
