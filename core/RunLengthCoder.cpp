#include "core/RunLengthCoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vellum {

namespace {

constexpr std::uint8_t kRunFlag = 0x80;
constexpr std::uint8_t kCountMask = 0x7F;
// The encoder never uses count 127, although the control byte could hold it.
constexpr std::size_t kMaxItemCount = 126;

struct Item {
    bool run;
    std::size_t count; // source bytes the item covers
};

constexpr std::uint64_t kEveryByte = 0x0101'0101'0101'0101;
constexpr std::uint64_t kEveryHighBit = 0x8080'8080'8080'8080;
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

std::uint64_t load64(const std::uint8_t* p)
{
    std::uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Bytes from p on equal to p[0], up to limit; p[0..limit) is readable.
// Eight bytes are compared at a time where that many are left.
std::size_t runLength(const std::uint8_t* p, std::size_t limit)
{
    std::size_t n = 1;
    if constexpr (kLittleEndian) {
        const std::uint64_t same = p[0] * kEveryByte;
        for (; n + 8 <= limit; n += 8)
            if (const std::uint64_t differ = load64(p + n) ^ same)
                return n + static_cast<std::size_t>(std::countr_zero(differ)) / 8;
    }
    while (n < limit && p[n] == p[0])
        ++n;
    return n;
}

// Bytes from p on, up to limit, before the first one equal to its successor;
// p[0..limit] is readable. A zero byte of p[i] ^ p[i + 1] marks such a pair,
// and the lowest marked byte is exact.
std::size_t literalLength(const std::uint8_t* p, std::size_t limit)
{
    std::size_t n = 0;
    if constexpr (kLittleEndian) {
        for (; n + 8 <= limit; n += 8) {
            const std::uint64_t v = load64(p + n) ^ load64(p + n + 1);
            if (const std::uint64_t pairs = (v - kEveryByte) & ~v & kEveryHighBit)
                return n + static_cast<std::size_t>(std::countr_zero(pairs)) / 8;
        }
    }
    while (n < limit && p[n] != p[n + 1])
        ++n;
    return n;
}

// A literal group stops before a byte that equals its successor, and before
// the last byte of the track, which always gets a group of its own.
Item nextItem(std::span<const std::uint8_t> src, std::size_t pos)
{
    const std::size_t left = src.size() - pos;
    if (left == 1)
        return {false, 1};
    const std::uint8_t* p = src.data() + pos;
    if (p[1] == p[0])
        return {true, runLength(p, std::min(kMaxItemCount, left))};
    return {false, literalLength(p, std::min(kMaxItemCount, left - 1))};
}

} // namespace

std::size_t rle_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work)
{
    std::ranges::fill(work, 0);
    std::uint8_t* const to = work.data();
    std::size_t out = 0;
    for (std::size_t pos = 0; pos < src.size();) {
        const Item item = nextItem(src, pos);
        const std::size_t dataBytes = item.run ? 1 : item.count;
        // An item that would not fit could only take the result past the
        // capacity, which is no gain anyway.
        if (1 + dataBytes > work.size() - out)
            return work.size();
        const auto count = static_cast<std::uint8_t>(item.count);
        to[out] = item.run ? static_cast<std::uint8_t>(kRunFlag | count) : count;
        std::memcpy(to + out + 1, src.data() + pos, dataBytes);
        out += 1 + dataBytes;
        pos += item.count;
    }
    return out;
}

bool rle_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest)
{
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < payload.size()) {
        const std::uint8_t control = payload[in++];
        const std::size_t count = control & kCountMask;
        const bool run = (control & kRunFlag) != 0;
        const std::size_t dataBytes = run ? 1 : count;
        if (count > dest.size() - out || dataBytes > payload.size() - in)
            return false;
        const auto to = dest.begin() + static_cast<std::ptrdiff_t>(out);
        if (run)
            std::fill_n(to, count, payload[in]);
        else
            std::copy_n(payload.begin() + static_cast<std::ptrdiff_t>(in), count, to);
        in += dataBytes;
        out += count;
    }
    return true;
}

} // namespace vellum
