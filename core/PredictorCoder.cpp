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
    while (src.size() - i >= kGroupSize && work.size() - out > kGroupSize) {
        const std::size_t flagAt = out++;
        unsigned flags = 0;
        for (unsigned bit = 0; bit < kGroupSize; ++bit, ++i) {
            std::uint8_t& predicted = guess();
            if (predicted == src[i])
                flags |= 1u << bit;
            else
                work[out++] = predicted = src[i];
            advance(src[i]);
        }
        work[flagAt] = static_cast<std::uint8_t>(flags);
    }
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
