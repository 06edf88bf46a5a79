#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <stdexcept>

#include "core/TrackPool.h"

namespace vellum {
namespace {

TEST(TrackPool, EveryTrackOnceEachThreadWithItsOwnWorkerAndErrorsAfterAll)
{
    constexpr std::size_t kTracks = 160;
    std::array<std::atomic<int>, kTracks> visits{};
    std::atomic<unsigned> workers{0};
    TrackPool::run(kTracks, [&] {
        ++workers;
        return [&](std::size_t t) { ++visits[t]; };
    });
    for (const auto& v : visits)
        EXPECT_EQ(v, 1);
    EXPECT_EQ(workers, TrackPool::threadsFor(kTracks));
    EXPECT_EQ(TrackPool::threadsFor(3), 1u); // a few tracks are not worth a thread

    std::atomic<int> done{0};
    EXPECT_THROW(TrackPool::run(kTracks,
                                [&] {
                                    return [&](std::size_t t) {
                                        if (t == 7)
                                            throw std::runtime_error("track 7");
                                        ++done;
                                    };
                                }),
                 std::runtime_error);
    EXPECT_LT(done, static_cast<int>(kTracks));
}

} // namespace
} // namespace vellum
