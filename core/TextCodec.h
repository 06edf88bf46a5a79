#pragma once
// Turns the two encodings found in FAT directories into UTF-8, short names
// in the DOS code page 850 and long names in UTF-16LE, and UTF-8 back into
// UTF-16 for the long names written; and the Windows-1252 text of a .VLM
// description to and from UTF-8.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vellum {

class TextCodec {
public:
    // Bytes below 0x80 pass through unchanged.
    static std::string cp850ToUtf8(std::string_view bytes);
    // A short name's bytes as DOS shows them: a first byte 0x05 stands for
    // 0xE5, which as a first byte marks an entry deleted.
    static std::string shortNameToUtf8(std::string_view bytes);
    // Surrogate pairs are joined; an unpaired surrogate becomes U+FFFD.
    static std::string utf16ToUtf8(std::span<const std::uint16_t> units);
    // A malformed sequence becomes U+FFFD.
    static std::u16string utf8ToUtf16(std::string_view text);
    // The five bytes cp1252 leaves undefined become their C1 code points, as Windows maps them.
    static std::string cp1252ToUtf8(std::string_view bytes);
    // One byte per character; a character cp1252 lacks, or malformed UTF-8, becomes "?".
    static std::string utf8ToCp1252(std::string_view text);
    // The code point's UTF-8 bytes at the end of `out`.
    static void appendUtf8(std::string& out, char32_t c);

private:
    // The code point at `at`, advancing past it; U+FFFD for malformed UTF-8.
    static char32_t nextCodePoint(std::string_view text, std::size_t& at);
};

} // namespace vellum
