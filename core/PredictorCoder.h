#pragma once
// Predictor coder of image-file blocks (type 2). A table guesses each byte
// from the two bytes before it; groups of up to 8 bytes are coded as a flag
// byte (bit k set: byte k was guessed right) followed by the bytes that
// were not. The table is refilled for every block, so blocks stay
// independent; one object serves a whole command so the table is allocated
// once.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vellum {

class PredictorCoder {
public:
    // Encodes one track into work. Returns the encoded length; a result of
    // work.size() or more means no gain (the coder stops at the capacity and
    // never writes past work).
    std::size_t predictor_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work);

    // Zeroes dest, the track, and decodes the payload into it. False when the
    // stream would write past dest. Running out of payload inside a group is
    // how a stream ends, so that is not an error: the CRC decides.
    bool predictor_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest);

private:
    static constexpr std::size_t kTableSize = 32'768;

    void reset();
    std::uint8_t& guess();
    void advance(std::uint8_t byte);

    std::array<std::uint8_t, kTableSize> table_{};
    std::uint8_t beforePrevious_ = 0;
    std::uint8_t previous_ = 0;
};

} // namespace vellum
