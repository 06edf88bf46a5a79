#include "core/TextCodec.h"

#include <algorithm>
#include <array>

namespace vellum {

namespace {

// Code page 850, bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// Code page 1252, bytes 0x80 to 0x9F; 0xA0 to 0xFF are Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
constexpr unsigned char kCp1252TableStart = 0x80;
constexpr char32_t kLatin1Start = 0xA0;
constexpr char32_t kLatin1End = 0x100;
constexpr char kUnmappable = '?';

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kLowSurrogateFirst = 0xDC00;
constexpr char16_t kSurrogateEnd = 0xE000;
constexpr char32_t kSupplementaryBase = 0x10000;

bool isHighSurrogate(char16_t u) { return u >= kHighSurrogateFirst && u < kLowSurrogateFirst; }
bool isLowSurrogate(char16_t u) { return u >= kLowSurrogateFirst && u < kSurrogateEnd; }

} // namespace

std::string TextCodec::shortNameToUtf8(std::string_view bytes)
{
    constexpr char kStoredE5 = 0x05;
    if (!bytes.starts_with(kStoredE5))
        return cp850ToUtf8(bytes);
    std::string shown(bytes);
    shown[0] = static_cast<char>(0xE5);
    return cp850ToUtf8(shown);
}

std::string TextCodec::cp850ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.push_back(ch);
        else
            appendUtf8(out, kCp850High[b - 0x80]);
    }
    return out;
}

std::string TextCodec::utf16ToUtf8(std::span<const std::uint16_t> units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (isHighSurrogate(u) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            const char32_t low = units[++i];
            appendUtf8(out, kSupplementaryBase + ((u - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst));
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::string TextCodec::cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < kCp1252TableStart)
            out.push_back(ch);
        else if (b < kLatin1Start)
            appendUtf8(out, kCp1252High[b - kCp1252TableStart]);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::string TextCodec::utf8ToCp1252(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = nextCodePoint(text, at);
        if (c < kCp1252TableStart || (c >= kLatin1Start && c < kLatin1End)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const auto hit = std::find(kCp1252High.begin(), kCp1252High.end(), c);
        out.push_back(hit == kCp1252High.end() ? kUnmappable
                                               : static_cast<char>(kCp1252TableStart + (hit - kCp1252High.begin())));
    }
    return out;
}

std::u16string TextCodec::utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = nextCodePoint(text, at);
        if (c > 0x10FFFF || (c >= kHighSurrogateFirst && c < kSurrogateEnd))
            c = kReplacement;
        if (c >= kSupplementaryBase) {
            c -= kSupplementaryBase;
            out.push_back(static_cast<char16_t>(kHighSurrogateFirst + (c >> 10)));
            out.push_back(static_cast<char16_t>(kLowSurrogateFirst + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

char32_t TextCodec::nextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    const int extra = lead < 0x80                ? 0
                      : (lead & 0xE0) == 0xC0 ? 1
                      : (lead & 0xF0) == 0xE0 ? 2
                      : (lead & 0xF8) == 0xF0 ? 3
                                              : -1;
    if (extra < 0)
        return kReplacement;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    return c;
}

void TextCodec::appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace vellum
