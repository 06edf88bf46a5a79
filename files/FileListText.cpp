#include "files/FileListText.h"

#include <compare>
#include <cstdio>

#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

using namespace dirent;

enum ColumnIndex { kName, kAlternate, kSize, kAttributes, kModified };

// Four space bytes: the attribute field of a blank row.
constexpr std::uint32_t kBlankAttributes = 0x20202020;

constexpr std::string_view kNoAttributes = "     ";
constexpr std::string_view kDirectoryText = "<dir>";
constexpr char kModifiedFormat[] = "%d/%02d/%02d (%d:%02d%c)";
constexpr int kHoursPerHalfDay = 12;
constexpr int kTwoDigitYears = 100;
constexpr int kTmEpochYear = 1900;

int sign(std::strong_ordering order)
{
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// Decodes one UTF-8 sequence; the text comes from our own encoder.
char32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    const auto lead = static_cast<unsigned char>(s[i++]);
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra && i < s.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    return c;
}

// Upper case folds to lower case for ASCII and the Latin-1 letters, the
// letters diskette names are made of.
char32_t foldCase(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    return c;
}

} // namespace

std::string_view FileListText::placeholder(bool imageEmpty)
{
    return imageEmpty ? kNoFiles : kNoFilesFound;
}

bool FileListText::isPlaceholder(std::string_view nameText)
{
    return nameText == kNoFiles || nameText == kNoFilesFound;
}

std::string FileListText::columnText(const ListingRecord& record, int column)
{
    switch (column) {
    case kName:
        return record.longName;
    case kAlternate:
        return TextCodec::shortNameToUtf8(record.shortName);
    case kSize:
        return std::to_string(record.size);
    case kAttributes:
        return attributeText(record.attributes);
    case kModified:
        return modifiedText(record.lastWriteTime);
    default:
        return {};
    }
}

std::string FileListText::attributeText(std::uint32_t attributes)
{
    std::string text(kNoAttributes);
    if (attributes == kBlankAttributes)
        return text;
    if (attributes & kCompressed)
        text[0] = 'c';
    if (attributes & kReadOnly)
        text[1] = 'r';
    if (attributes & kSystem)
        text[2] = 's';
    if (attributes & kHidden)
        text[3] = 'h';
    if (attributes & kArchive)
        text[4] = 'a';
    if (attributes & kNormal)
        text = kNoAttributes;
    if (attributes & kDirectory)
        text = kDirectoryText;
    return text;
}

std::string FileListText::modifiedText(std::uint64_t fileTime)
{
    const auto tm = DosTime::toLocal(fileTime);
    if (!tm)
        return {};
    const int hour12 = tm->tm_hour % kHoursPerHalfDay == 0 ? kHoursPerHalfDay : tm->tm_hour % kHoursPerHalfDay;
    const char half = tm->tm_hour < kHoursPerHalfDay ? 'a' : 'p';
    char text[64];
    std::snprintf(text, sizeof text, kModifiedFormat, tm->tm_mon + 1, tm->tm_mday,
                  (tm->tm_year + kTmEpochYear) % kTwoDigitYears, hour12, tm->tm_min, half);
    return text;
}

int FileListText::compareFolded(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = foldCase(nextCodePoint(a, i));
        const char32_t cb = foldCase(nextCodePoint(b, j));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return sign((a.size() - i) <=> (b.size() - j));
}

int FileListText::compare(const ListingRecord& a, const ListingRecord& b, int column)
{
    switch (column) {
    case kName:
        return compareFolded(a.longName, b.longName);
    case kAlternate:
        return sign(TextCodec::shortNameToUtf8(a.shortName).compare(TextCodec::shortNameToUtf8(b.shortName)) <=> 0);
    case kSize:
        return sign(a.size <=> b.size);
    case kAttributes:
        return sign(a.attributes <=> b.attributes);
    case kModified:
        return sign(a.lastWriteTime <=> b.lastWriteTime);
    default:
        return 0;
    }
}

} // namespace vellum
