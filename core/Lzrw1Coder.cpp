#include "core/Lzrw1Coder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "core/Bytes.h"

namespace vellum {

namespace {

constexpr std::size_t kFlagBytes = 4;
constexpr std::uint8_t kFlagCompressed = 0;
constexpr std::uint8_t kFlagCopied = 1;
constexpr std::size_t kControlBytes = 2;
constexpr std::size_t kItemsPerGroup = 16;
constexpr std::size_t kCopyItemBytes = 2;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 16; // also the literal-only tail of a track
constexpr std::size_t kMaxOffset = 4095;
constexpr std::size_t kHashEntries = 4096;
constexpr std::uint32_t kHashMultiplier = 40543;
// Far enough from the end for a whole group of the longest copies.
constexpr std::size_t kWholeGroupZone = kItemsPerGroup * kMaxMatch;
// The most one step can add: a group of copy items and the next control word.
constexpr std::size_t kMaxStepOutput = kItemsPerGroup * kCopyItemBytes + kControlBytes;
static_assert(kLzrw1Slack == kMaxStepOutput + kControlBytes);

constexpr std::uint32_t kAbsent = std::numeric_limits<std::uint32_t>::max();

std::size_t hashAt(const std::uint8_t* p)
{
    const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2];
    return ((kHashMultiplier * ((((b0 << 4) ^ b1) << 4) ^ b2)) >> 4) & (kHashEntries - 1);
}

// Equal leading bytes of a and b, up to kMaxMatch; both hold kMaxMatch bytes.
std::size_t matchLength(const std::uint8_t* a, const std::uint8_t* b)
{
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t n = 0; n < kMaxMatch; n += sizeof(std::uint64_t)) {
            std::uint64_t x = 0, y = 0;
            std::memcpy(&x, a + n, sizeof x);
            std::memcpy(&y, b + n, sizeof y);
            if (x != y)
                return n + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
        }
        return kMaxMatch;
    }
    std::size_t n = 0;
    while (n < kMaxMatch && a[n] == b[n])
        ++n;
    return n;
}

// The encoder's state lives in locals: stores through the byte pointers could
// alias members, which would keep every counter in memory.
class Lzrw1Encoder {
public:
    Lzrw1Encoder(std::span<const std::uint8_t> src, std::span<std::uint8_t> work) : src_(src), work_(work) {}

    std::size_t run()
    {
        std::array<std::uint32_t, kHashEntries> hash;
        hash.fill(kAbsent);
        const std::uint8_t* const src = src_.data();
        std::uint8_t* const work = work_.data();
        const std::size_t size = src_.size();
        const std::size_t room = work_.size();
        std::size_t in = 0;
        std::size_t controlAt = kFlagBytes;
        std::size_t out = kFlagBytes + kControlBytes;
        unsigned control = 0;
        std::size_t items = 0; // items under the current control word

        for (;;) {
            // Bounds are checked once per step; a step then runs unchecked.
            if (out > size || out + kMaxStepOutput > room)
                return copyOver();
            const std::size_t left = size - in;
            if (left == 0)
                break;
            // Items that may copy need kMaxMatch bytes left; a whole group of
            // them needs kWholeGroupZone.
            const std::size_t probes = left < kMaxMatch ? 0 : left < kWholeGroupZone ? 1 : kItemsPerGroup;
            if (probes == 0) {
                work[out++] = src[in++];
                ++items;
            }
            for (std::size_t p = 0; p < probes; ++p, ++items) {
                // A copy when the hash entry is a usable earlier position
                // whose first three bytes match, else a literal.
                const std::size_t index = hashAt(src + in);
                const std::uint32_t earlier = hash[index];
                hash[index] = static_cast<std::uint32_t>(in);
                const bool reachable = earlier != kAbsent && in - earlier <= kMaxOffset;
                const std::size_t length = reachable ? matchLength(src + earlier, src + in) : 0;
                if (length < kMinMatch) {
                    work[out++] = src[in++];
                    continue;
                }
                const std::size_t offset = in - earlier;
                work[out++] = static_cast<std::uint8_t>(((offset >> 4) & 0xF0) + (length - 1));
                work[out++] = static_cast<std::uint8_t>(offset & 0xFF);
                control |= 1u << items;
                in += length;
            }
            if (items == kItemsPerGroup) {
                putLe16(work_, controlAt, static_cast<std::uint16_t>(control));
                controlAt = out;
                out += kControlBytes;
                control = 0;
                items = 0;
            }
        }
        if (items == 0)
            out -= kControlBytes; // reserved, but no item followed
        else
            putLe16(work_, controlAt, static_cast<std::uint16_t>(control));
        writeFlag(kFlagCompressed);
        return out;
    }

private:
    void writeFlag(std::uint8_t flag)
    {
        std::fill_n(work_.begin(), kFlagBytes, 0);
        work_[0] = flag;
    }

    std::size_t copyOver()
    {
        const std::size_t copied = src_.size() + kFlagBytes;
        if (copied > work_.size())
            return copied;
        writeFlag(kFlagCopied);
        std::ranges::copy(src_, work_.begin() + kFlagBytes);
        return copied;
    }

    std::span<const std::uint8_t> src_;
    std::span<std::uint8_t> work_;
};

// Decodes a compressed payload; the counters live in locals, as in the encoder.
bool decodeItems(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest)
{
    const std::uint8_t* const in = payload.data();
    std::uint8_t* const out = dest.data();
    const std::size_t inSize = payload.size();
    const std::size_t outSize = dest.size();
    std::size_t i = kFlagBytes;
    std::size_t o = 0;
    unsigned control = 0;
    std::size_t itemsLeft = 0;
    while (i < inSize) {
        if (itemsLeft == 0) {
            if (inSize - i < kControlBytes)
                return false;
            control = static_cast<unsigned>(in[i] | (in[i + 1] << 8));
            i += kControlBytes;
            itemsLeft = kItemsPerGroup;
        }
        if ((control & 1) == 0) {
            if (i == inSize || o == outSize)
                return false;
            out[o++] = in[i++];
        } else {
            if (inSize - i < kCopyItemBytes)
                return false;
            const std::size_t offset = ((in[i] & 0xF0u) << 4) | in[i + 1];
            const std::size_t length = (in[i] & 0x0Fu) + 1;
            i += kCopyItemBytes;
            if (offset == 0 || offset > o || length > outSize - o)
                return false;
            // Byte by byte: an overlapping copy repeats what it has just written.
            for (const std::size_t end = o + length; o < end; ++o)
                out[o] = out[o - offset];
        }
        control >>= 1;
        --itemsLeft;
    }
    return true;
}

} // namespace

std::size_t lzrw1_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work)
{
    return Lzrw1Encoder(src, work).run();
}

bool lzrw1_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest)
{
    if (payload.size() < kFlagBytes)
        return false;
    if (payload[0] != kFlagCopied)
        return decodeItems(payload, dest);
    const auto body = payload.subspan(kFlagBytes);
    if (body.size() > dest.size())
        return false;
    std::ranges::copy(body, dest.begin());
    return true;
}

} // namespace vellum
