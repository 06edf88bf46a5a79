// The ImageDisk reader on files built here byte by byte: every kind of
// sector record, sector maps in interleaved order, and the layouts it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/Error.h"
#include "core/ImdFile.h"
#include "core/UnreadableSector.h"

namespace vellum {
namespace {

constexpr std::uint8_t kCylinderAndHeadMaps = 0xC0;

// A 360 KB diskette as an .IMD: 40 cylinders, 2 heads, 9 sectors of 512 bytes,
// each sector filled with its track's number unless a test says otherwise.
struct ImdBuilder {
    struct Track {
        std::uint8_t cylinder = 0;
        std::uint8_t head = 0;
        std::uint8_t sizeCode = 2;
        std::vector<std::uint8_t> ids{1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::vector<std::vector<std::uint8_t>> records; // default: one "filled" record per sector
        bool maps = false;
    };
    std::string header = "IMD 1.18: 01/01/2000 00:00:00\r\nLine one\r\nLine two\r\n";
    std::vector<Track> tracks;

    ImdBuilder()
    {
        for (std::uint8_t t = 0; t < 80; ++t) {
            tracks.emplace_back();
            tracks.back().cylinder = static_cast<std::uint8_t>(t / 2);
            tracks.back().head = static_cast<std::uint8_t>(t % 2);
        }
    }
    std::vector<std::uint8_t> bytes() const
    {
        std::vector<std::uint8_t> out(header.begin(), header.end());
        out.push_back(0x1A);
        for (const Track& t : tracks) {
            const auto count = static_cast<std::uint8_t>(t.ids.size());
            out.insert(out.end(), {5, t.cylinder, static_cast<std::uint8_t>(t.head | (t.maps ? kCylinderAndHeadMaps : 0)),
                                   count, t.sizeCode});
            out.insert(out.end(), t.ids.begin(), t.ids.end());
            if (t.maps) {
                out.insert(out.end(), count, t.cylinder);
                out.insert(out.end(), count, t.head);
            }
            for (std::size_t s = 0; s < count; ++s) {
                const std::vector<std::uint8_t> filled{2, static_cast<std::uint8_t>(t.cylinder * 2 + t.head)};
                const auto& record = s < t.records.size() ? t.records[s] : filled;
                out.insert(out.end(), record.begin(), record.end());
            }
        }
        return out;
    }
};

std::vector<std::uint8_t> full(std::uint8_t type, std::uint8_t seed)
{
    std::vector<std::uint8_t> record{type};
    for (int i = 0; i < 512; ++i)
        record.push_back(static_cast<std::uint8_t>(seed + i));
    return record;
}

TEST(ImdFile, ReadsEveryRecordKindInInterleavedOrder)
{
    ImdBuilder imd;
    ImdBuilder::Track& t = imd.tracks[3]; // cylinder 1, head 1
    t.ids = {1, 6, 2, 7, 3, 8, 4, 9, 5};
    t.maps = true;
    t.records = {full(1, 10), full(3, 60), {4, 0x22}, full(5, 70), {0}, {6, 0x33}, full(7, 40), {8, 0x99}};
    const DecodedImage image = ImdFile::decode(imd.bytes(), "t.imd");

    ASSERT_EQ(image.bytes.size(), 368'640u);
    EXPECT_EQ(image.description, "Line one\nLine two");
    const auto sector = [&](int id) { return std::span(image.bytes).subspan((3 * 9 + id - 1) * 512, 512); };
    const auto first = full(1, 10);
    EXPECT_TRUE(std::equal(sector(1).begin(), sector(1).end(), first.begin() + 1, first.end()));
    EXPECT_EQ(sector(6)[511], static_cast<std::uint8_t>(60 + 511));
    EXPECT_EQ(sector(2)[0], 0x22);
    EXPECT_TRUE(UnreadableSector::holds(sector(3)));
    EXPECT_EQ(sector(5)[0], 3); // the track's own fill: no record given
    EXPECT_EQ(image.bytes[0], 0);
    EXPECT_EQ(image.marks, (std::vector<std::string>{
                               "cylinder 1, head 1, sector 2 (deleted data)", "cylinder 1, head 1, sector 3 (unreadable)",
                               "cylinder 1, head 1, sector 4 (data error)", "cylinder 1, head 1, sector 6 (deleted data)",
                               "cylinder 1, head 1, sector 7 (data error)", "cylinder 1, head 1, sector 8 (data error)",
                               "cylinder 1, head 1, sector 9 (data error)"}));
}

TEST(ImdFile, RefusesWhatNoPcDisketteHoldsAndBrokenFiles)
{
    const std::vector<std::pair<std::function<void(ImdBuilder&)>, std::string>> cases = {
        {[](ImdBuilder& b) { b.tracks[5].ids.pop_back(); }, "a track with a mixed or missing sector: 8 sectors"},
        {[](ImdBuilder& b) { b.tracks[5].ids = {1, 2, 3, 4, 5, 6, 7, 8, 8}; }, "mixed or missing sector"},
        {[](ImdBuilder& b) { for (auto& t : b.tracks) t.ids = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49}; },
         "sectors numbered 65 to 73 at cylinder 0, head 0, a non-IBM layout such as a CP/M diskette's"},
        {[](ImdBuilder& b) { b.tracks.pop_back(); }, "holds 79 tracks of 9 sectors on 2 heads, no PC diskette layout"},
        {[](ImdBuilder& b) { b.tracks[7] = b.tracks[6]; }, "holds cylinder 3, head 0 twice"},
        {[](ImdBuilder& b) { b.tracks[0].sizeCode = 3; }, "holds 1,024-byte sectors at cylinder 0, head 0"},
        {[](ImdBuilder& b) { b.tracks[2].records = {{9}}; }, "has a sector record of unknown type 9"},
        {[](ImdBuilder& b) { b.tracks.back().records = {{1}}; }, "is cut short"},
        {[](ImdBuilder& b) { b.header = "IMD without an end"; b.tracks.clear(); }, "is no ImageDisk file"},
    };
    for (const auto& [change, words] : cases) {
        ImdBuilder imd;
        change(imd);
        auto bytes = imd.bytes();
        if (imd.header.ends_with("end"))
            bytes.pop_back();
        try {
            ImdFile::decode(bytes, "t.imd");
            ADD_FAILURE() << "accepted: " << words;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace vellum
