// libFuzzer entry for the track coders. Each input is fed to every decoder
// as a payload, and repeated into a track that must survive a round trip
// through every encoder. Buffers are exactly sized so the sanitizers see
// any access outside them.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/Lzrw1Coder.h"
#include "core/PredictorCoder.h"
#include "core/RunLengthCoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Input = std::span<const std::uint8_t>;

constexpr std::array<std::size_t, 4> kTrackSizes = {4608, 7680, 9216, 10752};
constexpr std::size_t kWorkSize = 12'000; // the image file's work and payload buffers

// One coder object for the whole run, as one serves a whole command.
vellum::PredictorCoder predictor;

void decodeAll(Input payload, std::size_t trackSize)
{
    Bytes dest(trackSize);
    vellum::rle_decode(payload, dest);
    predictor.predictor_decode(payload, dest);
    vellum::lzrw1_decode(payload, dest);
}

Bytes trackFrom(Input input, std::size_t trackSize)
{
    Bytes track(trackSize);
    if (!input.empty())
        for (std::size_t i = 0; i < trackSize; ++i)
            track[i] = input[i % input.size()];
    return track;
}

template <typename Encode, typename Decode>
void roundTrip(const Bytes& track, Encode encode, Decode decode)
{
    Bytes work(kWorkSize);
    const std::size_t n = encode(track, work);
    if (n >= work.size())
        return; // no gain: the block would be stored as it is
    Bytes dest(track.size());
    if (!decode(std::span(work).first(n), dest) || dest != track)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t trackSize = kTrackSizes[data[0] % kTrackSizes.size()];
    const Input input(data + 1, size - 1);
    decodeAll(input.first(std::min(input.size(), kWorkSize)), trackSize);

    const Bytes track = trackFrom(input, trackSize);
    roundTrip(track, vellum::rle_encode, vellum::rle_decode);
    roundTrip(
        track, [](Input s, std::span<std::uint8_t> w) { return predictor.predictor_encode(s, w); },
        [](Input p, std::span<std::uint8_t> d) { return predictor.predictor_decode(p, d); });
    roundTrip(track, vellum::lzrw1_encode, vellum::lzrw1_decode);
    return 0;
}
