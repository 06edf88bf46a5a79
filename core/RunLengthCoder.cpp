#include "core/RunLengthCoder.h"

#include <algorithm>

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

std::size_t runLength(std::span<const std::uint8_t> src, std::size_t pos)
{
    std::size_t n = 1;
    while (n < kMaxItemCount && pos + n < src.size() && src[pos + n] == src[pos])
        ++n;
    return n;
}

// A literal group stops before a byte that equals its successor, and before
// the last byte of the track, which always gets a group of its own.
std::size_t literalLength(std::span<const std::uint8_t> src, std::size_t pos)
{
    std::size_t n = 0;
    while (n < kMaxItemCount && pos + n + 1 < src.size() && src[pos + n] != src[pos + n + 1])
        ++n;
    return n;
}

Item nextItem(std::span<const std::uint8_t> src, std::size_t pos)
{
    if (pos + 1 == src.size())
        return {false, 1};
    if (src[pos + 1] == src[pos])
        return {true, runLength(src, pos)};
    return {false, literalLength(src, pos)};
}

} // namespace

std::size_t rle_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work)
{
    std::ranges::fill(work, 0);
    std::size_t out = 0;
    for (std::size_t pos = 0; pos < src.size();) {
        const Item item = nextItem(src, pos);
        const std::size_t dataBytes = item.run ? 1 : item.count;
        // An item that would not fit could only take the result past the
        // capacity, which is no gain anyway.
        if (1 + dataBytes > work.size() - out)
            return work.size();
        const auto count = static_cast<std::uint8_t>(item.count);
        work[out] = item.run ? static_cast<std::uint8_t>(kRunFlag | count) : count;
        std::copy_n(src.begin() + static_cast<std::ptrdiff_t>(pos), dataBytes,
                    work.begin() + static_cast<std::ptrdiff_t>(out + 1));
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
