#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "core/Crc16.h"
#include "core/Lzrw1Coder.h"
#include "core/PredictorCoder.h"
#include "core/RunLengthCoder.h"

namespace vellum {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kWork = 12'000; // the image file's work buffers
constexpr std::array<std::size_t, 4> kTrackSizes = {4608, 7680, 9216, 10752};
constexpr std::size_t kDmfTrack = 10'752;

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A span with a fenced-off tail: anything written past it shows in intact().
class Guarded {
public:
    explicit Guarded(std::size_t size, std::uint8_t fill = 0xEE)
        : store_(size + kFence, kFenceByte), size_(size)
    {
        std::fill_n(store_.begin(), size, fill);
    }
    std::span<std::uint8_t> span() { return {store_.data(), size_}; }
    Bytes first(std::size_t n) const { return Bytes(store_.begin(), store_.begin() + n); }
    bool intact() const
    {
        return std::all_of(store_.begin() + size_, store_.end(), [](auto b) { return b == kFenceByte; });
    }

private:
    static constexpr std::size_t kFence = 64;
    static constexpr std::uint8_t kFenceByte = 0xA5;
    Bytes store_;
    std::size_t size_;
};

Bytes randomBytes(std::size_t n, std::uint32_t seed)
{
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<std::uint8_t>(gen());
    return b;
}

Bytes textTrack(std::size_t n)
{
    constexpr std::array<std::string_view, 6> words = {"DISKETTE ", "the ", "IMAGE ", "of ",
                                                       "sector\r\n", "Vellum "};
    std::mt19937 gen(7);
    Bytes b;
    while (b.size() < n)
        for (char c : words[gen() % words.size()])
            b.push_back(static_cast<std::uint8_t>(c));
    b.resize(n);
    return b;
}

// A FAT12 chain 2 -> 3 -> 4 ...: the 12-bit entries packed two per three bytes.
Bytes fatTrack(std::size_t n)
{
    Bytes b = {0xF0, 0xFF, 0xFF};
    for (std::uint32_t e = 3; b.size() < n; e += 2) {
        const std::uint32_t next = (e + 1) & 0xFFF;
        b.push_back(static_cast<std::uint8_t>(e));
        b.push_back(static_cast<std::uint8_t>(((e >> 8) & 0x0F) | (next << 4)));
        b.push_back(static_cast<std::uint8_t>(next >> 4));
    }
    b.resize(n);
    return b;
}

Bytes patternTrack(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>("F6\x00\xE5zz\x01"[i % 7]);
    return b;
}

std::vector<Bytes> variedTracks(std::size_t t)
{
    return {Bytes(t, 0), Bytes(t, 0xF6), textTrack(t), fatTrack(t), patternTrack(t),
            randomBytes(t, static_cast<std::uint32_t>(t))};
}

Bytes encoded(std::span<const std::uint8_t> work, std::size_t n) { return Bytes(work.begin(), work.begin() + n); }

TEST(Crc16, MatchesTheArcCheckValues)
{
    EXPECT_EQ(crc16(bytesOf("abc")), 0x9738);
    EXPECT_EQ(crc16(bytesOf("123456789")), 0xBB3D);
    EXPECT_EQ(crc16({}), 0);
}

TEST(Crc16, AgreesWithTheBitwiseDefinitionAtEveryLength)
{
    const auto bitwise = [](std::span<const std::uint8_t> data) {
        std::uint16_t crc = 0;
        for (const std::uint8_t byte : data) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
        }
        return crc;
    };
    std::mt19937 random(16);
    std::vector<std::uint8_t> data(10'752);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random());
    for (const std::size_t length : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 511u, 4608u, 10'752u})
        EXPECT_EQ(crc16(std::span(data).first(length)), bitwise(std::span(data).first(length))) << length;
}

TEST(Crc16, LengthWrapsAtSixtyFourKilobytes)
{
    Bytes data = randomBytes(65'536 + 3, 1);
    EXPECT_EQ(crc16(data), crc16(std::span(data).first(3)));
}

TEST(RunLength, EncodesTheReferenceVectorsIntoAZeroedBuffer)
{
    Guarded work(16);
    ASSERT_EQ(rle_encode(bytesOf("abc"), work.span()), 5u);
    EXPECT_EQ(work.first(6), (Bytes{0x02, 'a', 'b', 0x01, 'c', 0x00}));
    ASSERT_EQ(rle_encode(Bytes{0x41, 0x41, 0x41, 0x42}, work.span()), 4u);
    EXPECT_EQ(work.first(4), (Bytes{0x83, 0x41, 0x01, 0x42}));
}

TEST(RunLength, ItemsNeverCoverMoreThan126Bytes)
{
    Guarded work(kWork);
    const Bytes zeros(4608, 0);
    ASSERT_EQ(rle_encode(zeros, work.span()), 74u);
    EXPECT_EQ(work.first(74)[72], 0x80 | 72); // 36 runs of 126, then 72

    ASSERT_EQ(rle_encode(Bytes(127, 'x'), work.span()), 4u);
    EXPECT_EQ(work.first(4), (Bytes{0xFE, 'x', 0x01, 'x'}));

    Bytes ascending(300);
    for (std::size_t i = 0; i < ascending.size(); ++i)
        ascending[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(rle_encode(ascending, work.span()), 4u + 300u);
    const Bytes out = work.first(304);
    EXPECT_EQ(out[0], 126);
    EXPECT_EQ(out[127], 126);
    EXPECT_EQ(out[254], 47); // the last byte gets a group of its own
    EXPECT_EQ(out[302], 1);
}

TEST(RunLength, StopsAtTheCapacityWithoutWritingPastIt)
{
    Bytes worst(kDmfTrack);
    for (std::size_t i = 0; i < worst.size(); ++i)
        worst[i] = i % 3 == 2 ? 'b' : 'a'; // 4 bytes out for every 3 in
    Guarded work(kWork);
    EXPECT_GE(rle_encode(worst, work.span()), kWork);
    EXPECT_TRUE(work.intact());

    Guarded tight(4); // "abc" needs 5: the second item does not fit
    EXPECT_GE(rle_encode(bytesOf("abc"), tight.span()), 4u);
    EXPECT_TRUE(tight.intact());
}

TEST(RunLength, DecoderRefusesItemsCutShortOrOverflowingTheTrack)
{
    Guarded dest(4);
    EXPECT_FALSE(rle_decode(Bytes{0x85}, dest.span()));
    EXPECT_FALSE(rle_decode(Bytes{0x03, 'a', 'b'}, dest.span()));
    EXPECT_FALSE(rle_decode(Bytes{0x85, 'x'}, dest.span()));
    EXPECT_FALSE(rle_decode(Bytes{0x02, 'a', 'b', 0x03, 'c', 'd', 'e'}, dest.span()));
    EXPECT_TRUE(dest.intact());
    EXPECT_TRUE(rle_decode(Bytes{0x84, 'x'}, dest.span()));
    EXPECT_EQ(dest.first(4), bytesOf("xxxx"));
}

TEST(Predictor, EncodesTheReferenceVectors)
{
    PredictorCoder coder;
    Guarded work(kWork);
    ASSERT_EQ(coder.predictor_encode(bytesOf("abc"), work.span()), 4u);
    EXPECT_EQ(work.first(4), (Bytes{0x00, 'a', 'b', 'c'}));

    ASSERT_EQ(coder.predictor_encode(Bytes(kDmfTrack, ' '), work.span()), kDmfTrack / 8);
    EXPECT_EQ(work.first(kDmfTrack / 8), Bytes(kDmfTrack / 8, 0xFF));
}

TEST(Predictor, EveryBlockStartsFromAFreshTable)
{
    PredictorCoder coder;
    const Bytes text = textTrack(4608);
    Guarded first(kWork), second(kWork);
    const std::size_t n = coder.predictor_encode(text, first.span());
    ASSERT_EQ(coder.predictor_encode(text, second.span()), n);
    EXPECT_EQ(first.first(n), second.first(n));
}

TEST(Predictor, IncompressibleDmfTrackStopsAtTheCapacity)
{
    PredictorCoder coder;
    Guarded work(kWork);
    EXPECT_GE(coder.predictor_encode(randomBytes(kDmfTrack, 3), work.span()), kWork);
    EXPECT_TRUE(work.intact());
}

TEST(Predictor, DecoderZeroesTheTrackAndRefusesOverflow)
{
    PredictorCoder coder;
    Guarded dest(4);
    EXPECT_TRUE(coder.predictor_decode(Bytes{0x00, 'a'}, dest.span()));
    EXPECT_EQ(dest.first(4), (Bytes{'a', 0, 0, 0}));
    EXPECT_FALSE(coder.predictor_decode(Bytes{0xFF}, dest.span()));
    EXPECT_TRUE(dest.intact());
}

TEST(Lzrw1, CopiesAtOnceWhenTheOutputWouldOutgrowTheInput)
{
    Guarded work(kWork);
    ASSERT_EQ(lzrw1_encode(bytesOf("abc"), work.span()), 7u);
    EXPECT_EQ(work.first(7), (Bytes{0x01, 0, 0, 0, 'a', 'b', 'c'}));
}

// 'zeros' zero bytes compress to a literal and one copy (3 bytes); 63 distinct
// literals follow. With 17 zeros the output is exactly the input's 80 bytes.
Bytes zerosThenLiterals(std::size_t zeros)
{
    Bytes b(zeros, 0);
    for (std::uint8_t i = 1; i <= 63; ++i)
        b.push_back(i);
    return b;
}

TEST(Lzrw1, CopiesOverOnlyWhenTheOutputGrowsPastTheTrack)
{
    Guarded work(kWork);
    const Bytes exact = zerosThenLiterals(17);
    ASSERT_EQ(lzrw1_encode(exact, work.span()), exact.size());
    EXPECT_EQ(work.first(4), (Bytes{0, 0, 0, 0}));

    const Bytes over = zerosThenLiterals(16);
    ASSERT_EQ(lzrw1_encode(over, work.span()), over.size() + 4);
    EXPECT_EQ(work.first(1)[0], 0x01);
}

TEST(Lzrw1, CopyItemsMayStartWithSixteenBytesLeftButNotFifteen)
{
    // 241 zero bytes code as one whole group (a literal and 15 copies), so the
    // items of the tail begin a group of their own.
    const Bytes block = bytesOf("ABCDEFGHIJKLMNOP");
    Bytes sixteen(241, 0);
    sixteen.insert(sixteen.end(), block.begin(), block.end());
    Bytes fifteen = sixteen;
    sixteen.insert(sixteen.end(), block.begin(), block.end());
    fifteen.insert(fifteen.end(), block.begin(), block.end() - 1);

    Guarded work(kWork);
    const std::size_t n16 = lzrw1_encode(sixteen, work.span());
    ASSERT_LT(n16, sixteen.size());
    const Bytes copied = encoded(work.span(), n16);
    EXPECT_EQ(Bytes(copied.end() - 2, copied.end()), (Bytes{0x0F, 0x10})); // 16 bytes from 16 back

    const std::size_t n15 = lzrw1_encode(fifteen, work.span());
    ASSERT_LT(n15, fifteen.size());
    const Bytes out = encoded(work.span(), n15);
    Bytes literals = {0x00, 0x00}; // an all-literal control word, then the tail
    literals.insert(literals.end(), block.begin(), block.end() - 1);
    EXPECT_EQ(Bytes(out.end() - 17, out.end()), literals);
}

TEST(Lzrw1, DecoderRefusesMalformedItems)
{
    Guarded dest(8);
    EXPECT_FALSE(lzrw1_decode(Bytes{0, 0, 0}, dest.span()));
    EXPECT_FALSE(lzrw1_decode(Bytes{1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, dest.span()));
    EXPECT_FALSE(lzrw1_decode(Bytes{0, 0, 0, 0, 0x01, 0x00, 0x02, 0x01}, dest.span())); // before the start
    EXPECT_FALSE(lzrw1_decode(Bytes{0, 0, 0, 0, 0x02, 0x00, 'a', 0x02}, dest.span()));   // cut short
    EXPECT_FALSE(lzrw1_decode(Bytes{0, 0, 0, 0, 0x02, 0x00, 'a', 0x0F, 0x01}, dest.span())); // too long
    EXPECT_TRUE(dest.intact());

    // An overlapping copy repeats the bytes it has just written.
    EXPECT_TRUE(lzrw1_decode(Bytes{0, 0, 0, 0, 0x02, 0x00, 'a', 0x06, 0x01}, dest.span()));
    EXPECT_EQ(dest.first(8), bytesOf("aaaaaaaa"));
}

struct Coder {
    const char* name;
    std::function<std::size_t(std::span<const std::uint8_t>, std::span<std::uint8_t>)> encode;
    std::function<bool(std::span<const std::uint8_t>, std::span<std::uint8_t>)> decode;
};

TEST(Coders, RoundTripEveryTrackSize)
{
    PredictorCoder predictor;
    const std::array<Coder, 3> coders = {{
        {"run-length", rle_encode, rle_decode},
        {"predictor", [&](auto s, auto w) { return predictor.predictor_encode(s, w); },
         [&](auto p, auto d) { return predictor.predictor_decode(p, d); }},
        {"LZRW1", lzrw1_encode, lzrw1_decode},
    }};
    for (const std::size_t t : kTrackSizes) {
        for (const Bytes& track : variedTracks(t)) {
            for (const Coder& coder : coders) {
                SCOPED_TRACE(testing::Message() << coder.name << ", track size " << t);
                Guarded work(kWork);
                const std::size_t n = coder.encode(track, work.span());
                ASSERT_TRUE(work.intact());
                if (n >= kWork)
                    continue;
                Guarded dest(t);
                ASSERT_TRUE(coder.decode(encoded(work.span(), n), dest.span()));
                EXPECT_EQ(dest.first(t), track);
                EXPECT_TRUE(dest.intact());
            }
        }
    }
}

TEST(Coders, DecodersStayInsideTheirBuffersOnGarbage)
{
    PredictorCoder predictor;
    std::mt19937 gen(2024);
    const Bytes valid = [] {
        Guarded work(kWork);
        return encoded(work.span(), lzrw1_encode(textTrack(4608), work.span()));
    }();
    for (int i = 0; i < 3000; ++i) {
        Bytes payload = i % 2 ? randomBytes(gen() % 700, gen()) : Bytes(valid.begin(), valid.begin() + gen() % valid.size());
        if (i % 3 == 0 && payload.size() >= 4)
            payload[0] = 0; // steer LZRW1 into its item decoder
        Guarded dest(kTrackSizes[i % kTrackSizes.size()] / 8);
        rle_decode(payload, dest.span());
        predictor.predictor_decode(payload, dest.span());
        lzrw1_decode(payload, dest.span());
        ASSERT_TRUE(dest.intact()) << "payload " << i;
    }
}

} // namespace
} // namespace vellum
