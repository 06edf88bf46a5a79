#include "cli/TerminalText.h"

#include <cstdio>

namespace vellum::cli {

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
// UTF-8 of U+0080..U+009F: 0xC2 then 0x80..0x9F.
constexpr unsigned char kC1Lead = 0xC2;
constexpr unsigned char kC1First = 0x80;
constexpr unsigned char kC1Last = 0x9F;

std::string hex(const char* format, unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

} // namespace

std::string TerminalText::escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (b < kFirstPrintable || b == kDelete) {
            out += hex("\\x%02X", b);
        } else if (b == kC1Lead && next >= kC1First && next <= kC1Last) {
            out += hex("\\u%04X", next);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace vellum::cli
