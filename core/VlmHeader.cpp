#include "core/VlmHeader.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {
constexpr std::size_t kMagicAt = 0;
constexpr std::size_t kDescriptionAt = 4;
constexpr std::size_t kDescriptionField = 61;
constexpr std::size_t kFormatCodeAt = 66;
constexpr std::size_t kBlockCountAt = 110;
constexpr std::size_t kVolumeLabelAt = 111;
constexpr std::size_t kMediaCodeAt = 124;
} // namespace

VlmHeader VlmHeader::parse(std::span<const std::uint8_t, kSize> bytes)
{
    VlmHeader h;
    h.magic = le32(bytes, kMagicAt);
    const auto field = bytes.subspan(kDescriptionAt, kDescriptionField);
    const auto end = std::find(field.begin(), field.end(), 0);
    h.description = TextCodec::cp1252ToUtf8(std::string(field.begin(), end));
    h.formatCode = bytes[kFormatCodeAt];
    h.blockCount = bytes[kBlockCountAt];
    std::copy_n(bytes.begin() + kVolumeLabelAt, h.volumeLabel.size(), h.volumeLabel.begin());
    h.mediaCode = le32(bytes, kMediaCodeAt);
    return h;
}

std::array<std::uint8_t, VlmHeader::kSize> VlmHeader::serialize() const
{
    std::array<std::uint8_t, kSize> b{};
    putLe32(b, kMagicAt, magic);
    const std::string text = TextCodec::utf8ToCp1252(description);
    std::copy_n(text.begin(), std::min(text.size(), kDescriptionLength), b.begin() + kDescriptionAt);
    b[kFormatCodeAt] = formatCode;
    b[kBlockCountAt] = blockCount;
    std::copy_n(volumeLabel.begin(), volumeLabel.size(), b.begin() + kVolumeLabelAt);
    putLe32(b, kMediaCodeAt, mediaCode);
    return b;
}

} // namespace vellum
