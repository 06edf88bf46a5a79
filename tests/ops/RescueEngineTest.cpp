// The rescue engine on a virtual diskette with a fault file, and its map.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/UnreadableSector.h"
#include "ops/RescueEngine.h"
#include "tests/ops/EngineWorld.h"
#include "tests/support/MtoolsImage.h"

namespace vellum {
namespace {

using test::DriveRequest;
using test::kA;
using K = test::RequestKind;
using State = RescueMap::State;

struct Recorder : RescueObserver {
    void passEnded(int pass, std::uint32_t unread) override { passes.push_back({pass, unread}); }
    void sectorsChanged(std::uint32_t first, std::uint32_t /*count*/, SectorState state) override
    {
        if (state == SectorState::Retrying)
            retried.push_back(first);
    }
    std::vector<std::pair<int, std::uint32_t>> passes;
    std::vector<std::uint32_t> retried;
};

class Rescue : public ::testing::Test {
protected:
    Rescue()
    {
        image.addFile("/DATA.BIN", test::randomBytes(300'000, 7));
        source = test::readFile(image.path());
        world.drives.insert(kA, image.path());
    }
    void faults(const std::string& lines) { std::ofstream(image.path().string() + ".faults") << lines; }
    void run(int passes) { RescueEngine(world.context(), recorder).run(kA, passes, map); }
    std::vector<std::uint8_t> sectorOf(const std::vector<std::uint8_t>& bytes, std::uint32_t s) const
    {
        return {bytes.begin() + s * 512, bytes.begin() + (s + 1) * 512};
    }
    std::vector<std::uint8_t> held(std::uint32_t s) const
    {
        return {world.doc.image().begin() + s * 512, world.doc.image().begin() + (s + 1) * 512};
    }

    test::MtoolsImage image{test::MtoolsImage::Maker::MkfsFat, "1440"};
    std::vector<std::uint8_t> source;
    test::EngineWorld world;
    Recorder recorder;
    RescueMap map;
};

TEST_F(Rescue, TracksThenTheirSectorsThenBadSectorsBackwardsEachAfterAResetAndASeek)
{
    // Sectors 40 and 45 on cylinder 1; sector 100, weak, on cylinder 2.
    faults("1 0 5 bad\n1 0 10 bad  # two on one track\n2 1 11 weak 2\n");
    run(3);

    EXPECT_EQ(recorder.passes, (std::vector<std::pair<int, std::uint32_t>>{{1, 36}, {2, 3}, {3, 2}}));
    std::vector<DriveRequest> tail;
    for (const DriveRequest& r : world.faults.requests())
        if (r.kind == K::Reset || r.kind == K::Read)
            tail.push_back(r);
    tail.erase(tail.begin(), tail.end() - 9);
    std::vector<DriveRequest> expected;
    for (const std::uint32_t s : {100u, 45u, 40u})
        for (const DriveRequest r :
             {DriveRequest{K::Reset, kA}, DriveRequest{K::Read, kA, 79 * 36, 1}, DriveRequest{K::Read, kA, s, 1}})
            expected.push_back(r);
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(world.requestsOf(K::Read).front(), (DriveRequest{K::Read, kA, 0, 18}));
    EXPECT_EQ(recorder.retried.size(), 36u + 3u);

    EXPECT_EQ(world.doc.OperationState, kUnsuccessful);
    EXPECT_EQ(map.count(State::Bad), 2u);
    EXPECT_EQ(map.at(40), State::Bad);
    EXPECT_EQ(map.at(45), State::Bad);
    for (std::uint32_t s = 0; s < 2880; ++s)
        EXPECT_TRUE(s == 40 || s == 45 || held(s) == sectorOf(source, s)) << "sector " << s;
    std::vector<std::uint8_t> marker(512);
    UnreadableSector::fill(marker);
    EXPECT_EQ(held(40), marker);
    EXPECT_EQ(std::string(marker.begin() + 32, marker.begin() + 64), std::string(UnreadableSector::kMarker));
    EXPECT_EQ(world.view.messages, std::vector<ViewMessage>{ViewMessage::FillList});
}

TEST_F(Rescue, CancelKeepsWhatWasReadAndASecondRunReadsOnlyTheRest)
{
    world.progress.pressCancelAtPump(3);
    world.prompter.expect("Are you sure?", Buttons::YesNo, Icon::Question, Answer::Yes);
    run(3);
    EXPECT_EQ(world.doc.OperationState, kCancelled);
    const std::uint32_t read = map.count(State::Read);
    ASSERT_GT(read, 0u);
    EXPECT_EQ(map.count(State::Untried), 2880 - read);
    EXPECT_EQ(held(read - 1), sectorOf(source, read - 1));

    // The map goes through its file; the image stays in memory, and what it
    // holds of the read sectors is what the second run keeps.
    const RescueMap earlier = RescueMap::parse(map.text("test"), "MAP");
    map = earlier;
    std::vector<std::uint8_t> changed = source;
    std::fill_n(changed.begin(), read * 512, 0);
    test::writeFile(image.path(), changed);
    const std::size_t before = world.requestsOf(K::Read).size();
    run(3);
    EXPECT_EQ(world.doc.OperationState, kSuccessful);
    EXPECT_EQ(world.requestsOf(K::Read)[before].first, read);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), world.doc.image().begin()));
}

TEST_F(Rescue, AnEarlierMapMustFitTheDisketteAndTheImageInMemory)
{
    map = RescueMap(2881);
    world.prompter.expectStart("The map covers 2,881 sectors, but the 1.44M diskette", Icon::Stop, Answer::Ok);
    run(1);
    map = RescueMap(2880);
    map.set(0, State::Read);
    world.prompter.expectStart("The map holds 1 sector an earlier rescue read, but the image in memory", Icon::Stop,
                               Answer::Ok);
    run(1);
    EXPECT_EQ(world.requestsOf(K::Read).size(), 0u);
    EXPECT_EQ(world.panel.statusLine(), "  Last Operation Status:    Unsuccessful");
}

TEST(RescueMapFile, ReadsWhatItWritesAndNamesTheLineOfAFault)
{
    RescueMap map(2880);
    map.set(7, State::Bad);
    map.set(8, State::Unscraped);
    const RescueMap back = RescueMap::parse(map.text("vlm rescue A:"), "M");
    EXPECT_EQ(back.text("vlm rescue A:"), map.text("vlm rescue A:"));
    EXPECT_EQ(RescueMap::parse("0 ?\n0 1024 *\n", "M").at(1), State::Unscraped);

    const std::pair<const char*, const char*> broken[] = {
        {"# only comments\n", "M is no ddrescue mapfile: it has no status line"},
        {"0 ?\n0x0 0x200 +\n0x400 0x200 -\n",
         "M, line 3: the block starts at 0x00000400, but the one before it ends at 0x00000200"},
        {"0 ?\n0 100 +\n", "M, line 2: the block of 100 bytes is no whole number of 512-byte sectors"},
        {"0 ?\n0 512 x\n", "M, line 2: a block is \"pos size status\", its status one of ?*/-+"},
        {"zz ?\n", "M, line 1: the position \"zz\" is no number"},
    };
    for (const auto& [text, why] : broken) {
        try {
            RescueMap::parse(text, "M");
            ADD_FAILURE() << "accepted " << text;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), why);
        }
    }
}

} // namespace
} // namespace vellum
