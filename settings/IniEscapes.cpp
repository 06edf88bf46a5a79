#include "settings/IniEscapes.h"

#include <array>
#include <charconv>
#include <optional>
#include <cstdint>
#include <span>
#include <string>

#include "core/TextCodec.h"

namespace vellum {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// QSettings' escapes of single characters, as `\a` for U+0007.
constexpr std::array<std::pair<char, char>, 11> kCharEscapes = {{
    {'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'}, {'r', '\r'}, {'t', '\t'},
    {'v', '\v'}, {'"', '"'}, {'?', '?'}, {'\'', '\''}, {'\\', '\\'},
}};

bool isHexDigit(char16_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char16_t c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool isPlainNameChar(char16_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

std::string hex(unsigned value, int digits)
{
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kHexDigits[value & 0xF];
    return out;
}

// As QSettings writes \x escapes: lower case, no leading zeros.
std::string lowerHex(unsigned value)
{
    const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value);
    return out;
}

// Quotes, backslash escapes and a trailing comment undone, as QSettings
// reads them. Bytes other than escapes are kept as they are, so a path that
// is no UTF-8 comes back byte for byte; an escape \xNN gives its character
// in UTF-8.
std::string unquoted(std::string_view text)
{
    std::string out;
    bool quoted = false;
    bool everQuoted = false;
    std::size_t keep = 0; // blanks after this point are trailing, unless quoted or escaped
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c == ';' && !quoted)
            break;
        if (c == '"') {
            quoted = !quoted;
            everQuoted = true;
            while (!quoted && i < text.size() && (text[i] == ' ' || text[i] == '\t'))
                ++i;
            continue;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i == text.size())
            break;
        const char e = text[i++];
        char16_t value = 0;
        if (e == 'x' && i < text.size() && isHexDigit(static_cast<unsigned char>(text[i]))) {
            while (i < text.size() && isHexDigit(static_cast<unsigned char>(text[i])))
                value = static_cast<char16_t>((value << 4) + hexValue(static_cast<unsigned char>(text[i++])));
            TextCodec::appendUtf8(out, value);
        } else if (e >= '0' && e <= '7') {
            value = static_cast<char16_t>(e - '0');
            while (i < text.size() && text[i] >= '0' && text[i] <= '7')
                value = static_cast<char16_t>((value << 3) + (text[i++] - '0'));
            TextCodec::appendUtf8(out, value);
        } else {
            for (const auto& [letter, meaning] : kCharEscapes)
                if (e == letter)
                    out += meaning;
            // Any other escaped character is dropped, as QSettings drops it.
        }
        keep = out.size();
    }
    while (!everQuoted && out.size() > keep && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    return out;
}

// A typed value's payload: each character one byte, as QSettings escaped them.
std::string bytesOf(std::string_view text)
{
    std::string out;
    for (const char16_t u : TextCodec::utf8ToUtf16(text))
        out += static_cast<char>(u & 0xFF);
    return out;
}

std::uint64_t bigEndian(std::string_view bytes)
{
    std::uint64_t v = 0;
    for (const char b : bytes)
        v = (v << 8) | static_cast<std::uint8_t>(b);
    return v;
}

// The value of @Variant(...): QDataStream's Qt 4.0 layout, a type id and
// the value, for the types a setting of Vellum can be.
std::optional<std::string> variantText(std::string_view stream)
{
    struct Number {
        std::uint32_t type;
        std::size_t bytes;
        bool isSigned;
    };
    constexpr std::uint32_t kBool = 1;
    constexpr std::uint32_t kString = 10;
    constexpr std::array<Number, 10> kNumbers = {{
        {2, 4, true}, {3, 4, false}, {4, 8, true}, {5, 8, false},      // int, uint, qlonglong, qulonglong
        {129, 8, true}, {130, 2, true}, {131, 1, true}, {132, 8, false}, // long, short, char, ulong
        {133, 2, false}, {134, 1, false},                                // ushort, uchar
    }};
    if (stream.size() < 4)
        return std::nullopt;
    const auto type = static_cast<std::uint32_t>(bigEndian(stream.substr(0, 4)));
    const std::string_view data = stream.substr(4);
    if (type == kBool && data.size() == 1)
        return data[0] ? "true" : "false";
    if (type == kString && data.size() >= 4) {
        const std::string_view text = data.substr(4);
        if (bigEndian(data.substr(0, 4)) != text.size() || text.size() % 2)
            return std::nullopt;
        std::u16string units;
        for (std::size_t i = 0; i < text.size(); i += 2)
            units += static_cast<char16_t>(bigEndian(text.substr(i, 2)));
        return TextCodec::utf16ToUtf8(std::span(reinterpret_cast<const std::uint16_t*>(units.data()), units.size()));
    }
    for (const Number& n : kNumbers) {
        if (n.type != type || data.size() != n.bytes)
            continue;
        const std::uint64_t raw = bigEndian(data);
        if (!n.isSigned)
            return std::to_string(raw);
        const unsigned shift = static_cast<unsigned>(64 - 8 * n.bytes);
        return std::to_string(static_cast<std::int64_t>(raw << shift) >> shift);
    }
    return std::nullopt;
}

std::u16string utf16(std::string_view text)
{
    return TextCodec::utf8ToUtf16(text);
}

std::string utf8(const std::u16string& units)
{
    return TextCodec::utf16ToUtf8(std::span(reinterpret_cast<const std::uint16_t*>(units.data()), units.size()));
}

} // namespace

std::string IniEscapes::escapedName(std::string_view name)
{
    std::string out;
    for (const char16_t c : utf16(name)) {
        if (c == u'/')
            out += '\\';
        else if (isPlainNameChar(c))
            out += static_cast<char>(c);
        else if (c <= 0xFF)
            out += '%' + hex(c, 2);
        else
            out += "%U" + hex(c, 4);
    }
    return out;
}

std::string IniEscapes::unescapedName(std::string_view stored)
{
    const std::u16string in = utf16(stored);
    std::u16string out;
    std::size_t i = 0;
    while (i < in.size()) {
        const char16_t c = in[i];
        const std::size_t digits = i + 1 < in.size() && in[i + 1] == u'U' ? 4 : 2;
        const std::size_t first = i + 1 + (digits == 4 ? 1 : 0);
        bool isCode = c == u'%' && first + digits <= in.size();
        for (std::size_t d = first; isCode && d < first + digits; ++d)
            isCode = isHexDigit(in[d]);
        if (!isCode) {
            out += c == u'\\' ? u'/' : c;
            ++i;
            continue;
        }
        char16_t value = 0;
        for (std::size_t d = first; d < first + digits; ++d)
            value = static_cast<char16_t>((value << 4) + hexValue(in[d]));
        out += value;
        i = first + digits;
    }
    return utf8(out);
}

std::string IniEscapes::escapedValue(std::string_view value)
{
    std::string text(value);
    if (text.find('\0') != std::string::npos)
        text = "@String(" + text + ")";
    else if (!text.empty() && text[0] == '@')
        text.insert(0, "@");

    // Bytes from 0x80 up are UTF-8 and stay as they are.
    std::string out;
    bool needsQuotes = false;
    bool escapeHexDigit = false; // after \xNN, so a digit is not read into it
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        needsQuotes = needsQuotes || c == ';' || c == ',' || c == '=';
        if (escapeHexDigit && isHexDigit(c)) {
            out += "\\x" + lowerHex(c);
            continue;
        }
        escapeHexDigit = false;
        bool named = false;
        for (const auto& [letter, meaning] : kCharEscapes) {
            if (c == static_cast<unsigned char>(meaning) && letter != '?' && letter != '\'') {
                out += '\\';
                out += letter;
                named = true;
            }
        }
        if (named)
            continue;
        if (c == 0) {
            out += "\\0";
            escapeHexDigit = true;
        } else if (c <= 0x1F) {
            out += "\\x" + lowerHex(c);
            escapeHexDigit = true;
        } else {
            out += ch;
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

std::optional<std::string> IniEscapes::unescapedValue(std::string_view stored)
{
    const std::string text = unquoted(stored);
    if (text.empty() || text[0] != '@')
        return text;
    if (text.starts_with("@@"))
        return text.substr(1);
    if (text == "@Invalid()")
        return std::nullopt;
    const auto typed = [&](std::string_view prefix) -> std::optional<std::string_view> {
        if (!text.starts_with(prefix) || text.back() != ')')
            return std::nullopt;
        return std::string_view(text).substr(prefix.size(), text.size() - prefix.size() - 1);
    };
    if (const auto inner = typed("@String("))
        return std::string(*inner);
    if (const auto inner = typed("@ByteArray("))
        return bytesOf(*inner);
    if (const auto inner = typed("@Variant("))
        return variantText(bytesOf(*inner));
    return text;
}

std::optional<int> IniEscapes::numberOf(std::string_view value)
{
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::string_view text = value.substr(first, last - first + 1);
    if (text == "true")
        return 1;
    if (text == "false")
        return 0;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

} // namespace vellum
