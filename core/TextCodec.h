#pragma once
// Turns the two encodings found in FAT directories into UTF-8, short names
// in the DOS code page 850 and long names in UTF-16LE, and UTF-8 back into
// UTF-16 for the long names written.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vellum {

class TextCodec {
public:
    // Bytes below 0x80 pass through unchanged.
    static std::string cp850ToUtf8(std::string_view bytes);
    // Surrogate pairs are joined; an unpaired surrogate becomes U+FFFD.
    static std::string utf16ToUtf8(std::span<const std::uint16_t> units);
    // A malformed sequence becomes U+FFFD.
    static std::u16string utf8ToUtf16(std::string_view text);

private:
    static void appendUtf8(std::string& out, char32_t c);
};

} // namespace vellum
