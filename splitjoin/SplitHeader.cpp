#include "splitjoin/SplitHeader.h"

#include <algorithm>
#include <string_view>

#include "core/Bytes.h"

namespace vellum {

namespace {
constexpr std::string_view kSignature = "\x1A" "SPLIT";
constexpr std::size_t kPathAt = 6;
constexpr std::size_t kSizeAt = kPathAt + SplitHeader::kPathSize;
constexpr std::size_t kNumberAt = kSizeAt + 4;
constexpr std::size_t kCountAt = kNumberAt + 1;
static_assert(kCountAt + 1 == SplitHeader::kSize);
} // namespace

std::array<std::uint8_t, SplitHeader::kSize> SplitHeader::encode() const
{
    std::array<std::uint8_t, kSize> bytes{};
    std::copy(kSignature.begin(), kSignature.end(), bytes.begin());
    const std::size_t pathLength = std::min(sourcePath.size(), kPathSize);
    std::copy_n(sourcePath.begin(), pathLength, bytes.begin() + kPathAt);
    putLe32(bytes, kSizeAt, sourceSize);
    bytes[kNumberAt] = pieceNumber;
    bytes[kCountAt] = pieceCount;
    return bytes;
}

SplitHeader SplitHeader::decode(std::span<const std::uint8_t, kSize> bytes)
{
    SplitHeader h;
    const auto field = bytes.subspan(kPathAt, kPathSize);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    h.sourcePath.assign(field.begin(), end);
    h.sourceSize = le32(bytes, kSizeAt);
    h.pieceNumber = bytes[kNumberAt];
    h.pieceCount = bytes[kCountAt];
    return h;
}

bool SplitHeader::hasSignature(std::span<const std::uint8_t, kSize> bytes)
{
    return std::equal(kSignature.begin(), kSignature.end(), bytes.begin());
}

} // namespace vellum
