#pragma once
// The two mismatching sectors as text, for the report file and the printed
// page alike: a header naming the position, an 80-dash rule and 64 dump
// lines of 80 characters, each with eight bytes of either sector in
// hexadecimal and as characters (letters and digits only, the rest as ".").
// The page arithmetic is here too, so the printer only draws these lines.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

class MismatchPrintout {
public:
    static constexpr int kDumpLines = 64;
    // The page count allows one line more than the dump has.
    static constexpr int kCountedLines = 65;
    static constexpr std::size_t kLineWidth = 80;
    static constexpr std::size_t kHeaderPadding = 26;
    static constexpr int kReservedLines = 7; // header, rule and margins of a page

    // Line k of the dump: the offset 16k, then bytes 8k..8k+7 of both sectors.
    static std::string dumpLine(std::span<const std::uint8_t> diskette, std::span<const std::uint8_t> memory, int k);
    // The header padded to 26 characters, then "Diskette   Memory".
    static std::string columnsHeader(std::string_view header);
    // The whole report file: header, rule, 64 dump lines, each ending in LF.
    static std::string reportText(std::string_view header, std::span<const std::uint8_t> diskette,
                                  std::span<const std::uint8_t> memory);
    // Writes the report beside the path and renames it into place; throws Error.
    static void writeReport(const std::filesystem::path& path, std::string_view header,
                            std::span<const std::uint8_t> diskette, std::span<const std::uint8_t> memory);

    // Lines that fit a page below its header and above its margin (at least 0).
    static int linesPerPage(int printerHeight, int lineHeight);
    // The last page of the job: ceil(65 / lines per page), at least 1.
    static int lastPage(int linesPerPage);
    // The page's header: columnsHeader, blanks to 80 characters with "Page n" at the end.
    static std::string pageHeader(std::string_view header, int page);
    // The dump lines page n (from 1) shows.
    static std::vector<std::string> pageLines(std::span<const std::uint8_t> diskette,
                                              std::span<const std::uint8_t> memory, int page, int linesPerPage);

private:
    static char shown(std::uint8_t byte);
};

} // namespace vellum
