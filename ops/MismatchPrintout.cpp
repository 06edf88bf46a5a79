#include "ops/MismatchPrintout.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/AtomicFile.h"
#include "core/Error.h"

namespace vellum {

namespace {

constexpr std::string_view kColumns = "Diskette   Memory";
constexpr std::size_t kBytesPerSide = 8;
constexpr std::size_t kOffsetStep = 16;
constexpr std::size_t kSectorBytes = MismatchPrintout::kDumpLines * kBytesPerSide;
constexpr std::string_view kSeparator = " - ";

void checkSector(std::span<const std::uint8_t> sector)
{
    if (sector.size() < kSectorBytes)
        throw Error("A mismatch sector holds " + std::to_string(sector.size()) + " bytes; the dump needs " +
                    std::to_string(kSectorBytes) + ".");
}

} // namespace

// Letters and digits as the C locale knows them, whatever locale is set.
char MismatchPrintout::shown(std::uint8_t byte)
{
    const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    return alnum ? static_cast<char>(byte) : '.';
}

std::string MismatchPrintout::dumpLine(std::span<const std::uint8_t> diskette, std::span<const std::uint8_t> memory,
                                       int k)
{
    checkSector(diskette);
    checkSector(memory);
    const auto d = diskette.subspan(static_cast<std::size_t>(k) * kBytesPerSide, kBytesPerSide);
    const auto m = memory.subspan(static_cast<std::size_t>(k) * kBytesPerSide, kBytesPerSide);
    std::array<char, kLineWidth + 1> hex{};
    std::snprintf(hex.data(), hex.size(),
                  "%08zX   %02X %02X %02X %02X %02X %02X %02X %02X - %02X %02X %02X %02X %02X %02X %02X %02X ",
                  static_cast<std::size_t>(k) * kOffsetStep, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], m[0],
                  m[1], m[2], m[3], m[4], m[5], m[6], m[7]);
    std::string line(hex.data());
    std::transform(d.begin(), d.end(), std::back_inserter(line), shown);
    line += kSeparator;
    std::transform(m.begin(), m.end(), std::back_inserter(line), shown);
    return line;
}

std::string MismatchPrintout::columnsHeader(std::string_view header)
{
    std::string text(header);
    if (text.size() < kHeaderPadding)
        text.resize(kHeaderPadding, ' ');
    return text + std::string(kColumns);
}

std::string MismatchPrintout::reportText(std::string_view header, std::span<const std::uint8_t> diskette,
                                         std::span<const std::uint8_t> memory)
{
    std::string text = columnsHeader(header) + '\n' + std::string(kLineWidth, '-') + '\n';
    for (int k = 0; k < kDumpLines; ++k)
        text += dumpLine(diskette, memory, k) + '\n';
    return text;
}

void MismatchPrintout::writeReport(const std::filesystem::path& path, std::string_view header,
                                   std::span<const std::uint8_t> diskette, std::span<const std::uint8_t> memory)
{
    const std::string text = reportText(header, diskette, memory);
    AtomicFile file(path);
    file.write(text);
    file.commit();
}

int MismatchPrintout::linesPerPage(int printerHeight, int lineHeight)
{
    if (lineHeight <= 0)
        throw Error("The print font's line height is " + std::to_string(lineHeight) + " pixels; it must be above 0.");
    return std::max(printerHeight - kReservedLines * lineHeight, 0) / lineHeight;
}

int MismatchPrintout::lastPage(int linesPerPage)
{
    if (linesPerPage <= 0)
        return 1;
    return std::max((kCountedLines + linesPerPage - 1) / linesPerPage, 1);
}

std::string MismatchPrintout::pageHeader(std::string_view header, int page)
{
    const std::string pageText = "Page " + std::to_string(page);
    std::string text = columnsHeader(header);
    if (text.size() + pageText.size() < kLineWidth)
        text.resize(kLineWidth - pageText.size(), ' ');
    return text + pageText;
}

std::vector<std::string> MismatchPrintout::pageLines(std::span<const std::uint8_t> diskette,
                                                     std::span<const std::uint8_t> memory, int page, int linesPerPage)
{
    std::vector<std::string> lines;
    if (page < 1 || linesPerPage <= 0)
        return lines;
    const long first = static_cast<long>(page - 1) * linesPerPage;
    const long end = std::min(static_cast<long>(page) * linesPerPage, static_cast<long>(kDumpLines));
    for (long k = first; k < end; ++k)
        lines.push_back(dumpLine(diskette, memory, static_cast<int>(k)));
    return lines;
}

} // namespace vellum
