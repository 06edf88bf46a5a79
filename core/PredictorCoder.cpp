#include "core/PredictorCoder.h"

#include <algorithm>

namespace vellum {

namespace {

constexpr std::uint8_t kUnseenGuess = 0x20; // text is the common case
constexpr unsigned kGroupSize = 8;
constexpr unsigned kContextShift = 7; // (before previous) x 128 stays below 32,768

} // namespace

void PredictorCoder::reset()
{
    table_.fill(kUnseenGuess);
    beforePrevious_ = 0;
    previous_ = 0;
}

std::uint8_t& PredictorCoder::guess()
{
    return table_[(static_cast<std::size_t>(beforePrevious_) << kContextShift) ^ previous_];
}

void PredictorCoder::advance(std::uint8_t byte)
{
    beforePrevious_ = previous_;
    previous_ = byte;
}

std::size_t PredictorCoder::predictor_encode(std::span<const std::uint8_t> src,
                                             std::span<std::uint8_t> work)
{
    reset();
    std::size_t out = 0;
    std::size_t i = 0;
    // Whole groups while even an all-literal group fits: no checks per byte.
    // Locals, not members, carry the context (byte stores could alias
    // members), and each byte is stored and kept only on a miss, so the
    // loop has no branch that depends on the data.
    const std::uint8_t* const in = src.data();
    std::uint8_t* const to = work.data();
    std::uint8_t* const table = table_.data();
    unsigned beforePrevious = 0;
    unsigned previous = 0;
    while (src.size() - i >= kGroupSize && work.size() - out > kGroupSize) {
        const std::size_t flagAt = out++;
        unsigned flags = 0;
        for (unsigned bit = 0; bit < kGroupSize; ++bit, ++i) {
            const std::uint8_t byte = in[i];
            std::uint8_t& predicted = table[(beforePrevious << kContextShift) ^ previous];
            const bool hit = predicted == byte;
            predicted = byte;
            to[out] = byte;
            out += hit ? 0 : 1;
            flags |= static_cast<unsigned>(hit) << bit;
            beforePrevious = previous;
            previous = byte;
        }
        to[flagAt] = static_cast<std::uint8_t>(flags);
    }
    beforePrevious_ = static_cast<std::uint8_t>(beforePrevious);
    previous_ = static_cast<std::uint8_t>(previous);
    // The last partial group, or the bytes near the capacity, one by one.
    std::size_t flagAt = 0;
    for (; i < src.size(); ++i) {
        const unsigned bit = i % kGroupSize;
        if (bit == 0) {
            if (out == work.size())
                return work.size();
            flagAt = out;
            work[out++] = 0;
        }
        std::uint8_t& predicted = guess();
        if (predicted == src[i]) {
            work[flagAt] = static_cast<std::uint8_t>(work[flagAt] | (1u << bit));
        } else {
            if (out == work.size())
                return work.size();
            work[out++] = src[i];
            predicted = src[i];
        }
        advance(src[i]);
    }
    return out;
}

bool PredictorCoder::predictor_decode(std::span<const std::uint8_t> payload,
                                      std::span<std::uint8_t> dest)
{
    reset();
    std::ranges::fill(dest, 0);
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < payload.size()) {
        const std::uint8_t flags = payload[in++];
        for (unsigned bit = 0; bit < kGroupSize; ++bit) {
            std::uint8_t& predicted = guess();
            if ((flags & (1u << bit)) == 0) {
                if (in == payload.size())
                    return true;
                predicted = payload[in++];
            }
            if (out == dest.size())
                return false;
            dest[out++] = predicted;
            advance(predicted);
        }
    }
    return true;
}

} // namespace vellum
