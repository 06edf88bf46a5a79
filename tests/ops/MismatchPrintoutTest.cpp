#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/Error.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

using P = MismatchPrintout;

std::vector<std::uint8_t> sector(std::uint8_t fill = 0)
{
    return std::vector<std::uint8_t>(512, fill);
}

TEST(MismatchReport, AreaTableBoundariesForEveryMediaCode)
{
    struct Row {
        std::uint32_t code;
        std::size_t fat1, fat2, root, data;
    };
    for (const Row& r : {Row{0x0FD, 0x200, 0x600, 0xA00, 0x1800}, Row{0x1FD, 0x200, 0x600, 0xA00, 0x1800},
                         Row{0x1F0, 0x200, 0x1000, 0x1E00, 0x3C00}, Row{0x1F9, 0x200, 0x1000, 0x1E00, 0x3C00},
                         Row{0x2F9, 0x200, 0x800, 0xE00, 0x1C00}, Row{0x7F9, 0x200, 0x800, 0xE00, 0x1C00},
                         Row{0x7F0, 0x200, 0x1400, 0x2600, 0x4200}, Row{0x9F0, 0x200, 0x1400, 0x2600, 0x4400}}) {
        EXPECT_EQ(MismatchReport::areaText(r.code, 0), "Boot Sector");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.fat1 - 1), "Boot Sector");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.fat1), "FAT 1");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.fat2 - 1), "FAT 1");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.fat2), "FAT 2");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.root), "Root Directory");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.data - 1), "Root Directory");
        EXPECT_EQ(MismatchReport::areaText(r.code, r.data), "Data Area");
        EXPECT_EQ(MismatchReport::areaText(r.code, 1'000'000), "Data Area");
    }
    EXPECT_EQ(MismatchReport::areaText(0x2FD, 0x200), "");
}

TEST(MismatchReport, ListLinesInBothModes)
{
    auto s = sector();
    s[8] = 0xAB;
    s[16] = 0xE9;
    s[17] = 'q';
    s[18] = 0x1F;
    s[19] = 0x20;
    const auto hex = MismatchReport::hexLines(s);
    ASSERT_EQ(hex.size(), 64u);
    for (const auto& line : hex)
        EXPECT_EQ(line.size(), 24u);
    EXPECT_EQ(hex[0], "00 00 00 00 00 00 00 00 ");
    EXPECT_EQ(hex[1], "AB 00 00 00 00 00 00 00 ");
    const auto ascii = MismatchReport::asciiLines(s);
    ASSERT_EQ(ascii.size(), 32u);
    for (const auto& line : ascii)
        EXPECT_EQ(line.size(), 16u);
    EXPECT_EQ(ascii[0], std::string(8, '.') + "\xAB" + std::string(7, '.'));
    EXPECT_EQ(ascii[1], "\xE9q. " + std::string(12, '.'));
}

TEST(MismatchReport, ShownSectorIsTheOneHoldingTheDifference)
{
    std::vector<std::uint8_t> disk(3 * 512), memory(3 * 512);
    for (std::size_t i = 0; i < disk.size(); ++i)
        disk[i] = memory[i] = static_cast<std::uint8_t>(i / 512 + 1);
    MismatchReport r;
    r.disketteData = disk;
    r.memoryData = memory;
    r.distance = 512 + 300;
    EXPECT_EQ(r.disketteSector().front(), 2);
    EXPECT_EQ(r.disketteSector().size(), 512u);
    EXPECT_EQ(r.memorySector().data(), memory.data() + 512);
    EXPECT_EQ(r.selectedHexLine(), 37u);
    EXPECT_EQ(r.selectedAsciiLine(), 18u);
    r.track = "3";
    r.sector = "5";
    r.offset = "17";
    EXPECT_EQ(r.header(), "Trk 3,Sec 5,Ofs 17");
}

TEST(MismatchPrintout, DumpLinesShowOffsetsBytesAndOnlyLettersAndDigits)
{
    const auto zeros = sector();
    for (int k = 0; k < 64; ++k) {
        const std::string line = P::dumpLine(zeros, zeros, k);
        ASSERT_EQ(line.size(), 80u);
        EXPECT_EQ(line.substr(11, 50), "00 00 00 00 00 00 00 00 - 00 00 00 00 00 00 00 00 ");
        EXPECT_EQ(line.substr(61), "........ - ........");
    }
    EXPECT_EQ(P::dumpLine(zeros, zeros, 1).substr(0, 11), "00000010   ");
    EXPECT_EQ(P::dumpLine(zeros, zeros, 63).substr(0, 8), "000003F0");

    auto disk = sector(), memory = sector();
    const std::array<std::uint8_t, 8> bytes = {'a', 'Z', '0', '9', 0xE9, ' ', '-', 0x7F};
    std::copy(bytes.begin(), bytes.end(), disk.begin() + 8);
    memory[15] = 0xFF;
    EXPECT_EQ(P::dumpLine(disk, memory, 1),
              "00000010   61 5A 30 39 E9 20 2D 7F - 00 00 00 00 00 00 00 FF aZ09.... - ........");
    EXPECT_THROW(P::dumpLine(std::vector<std::uint8_t>(100), memory, 0), Error);
}

TEST(MismatchPrintout, HeaderIsPaddedTo26ThenNamesTheColumns)
{
    EXPECT_EQ(P::columnsHeader("Trk 1,Sec 1,Ofs 0"), "Trk 1,Sec 1,Ofs 0         Diskette   Memory");
    EXPECT_EQ(P::columnsHeader(std::string(25, 'x')), std::string(25, 'x') + " Diskette   Memory");
    EXPECT_EQ(P::columnsHeader(std::string(27, 'x')), std::string(27, 'x') + "Diskette   Memory");

    const std::string page = P::pageHeader("Trk 1,Sec 1,Ofs 0", 2);
    EXPECT_EQ(page.size(), 80u);
    EXPECT_EQ(page.substr(0, 43), "Trk 1,Sec 1,Ofs 0         Diskette   Memory");
    EXPECT_EQ(page.substr(74), "Page 2");
    const std::string longHeader(70, 'h');
    EXPECT_EQ(P::pageHeader(longHeader, 12), longHeader + "Diskette   MemoryPage 12");
}

TEST(MismatchPrintout, PagesSplitTheDumpByLinesPerPage)
{
    EXPECT_EQ(P::linesPerPage(1000, 10), 93);
    EXPECT_EQ(P::linesPerPage(75, 10), 0);
    EXPECT_EQ(P::linesPerPage(50, 10), 0);
    EXPECT_THROW(P::linesPerPage(1000, 0), Error);

    EXPECT_EQ(P::lastPage(65), 1);
    EXPECT_EQ(P::lastPage(100), 1);
    EXPECT_EQ(P::lastPage(64), 2);
    EXPECT_EQ(P::lastPage(10), 7);
    EXPECT_EQ(P::lastPage(0), 1);

    const auto s = sector(0x41);
    EXPECT_EQ(P::pageLines(s, s, 1, 64).size(), 64u);
    EXPECT_TRUE(P::pageLines(s, s, 2, 64).empty()) << "page 2 shows only its header";
    const auto last = P::pageLines(s, s, 7, 10);
    ASSERT_EQ(last.size(), 4u);
    EXPECT_EQ(last.front().substr(0, 8), "000003C0");
    EXPECT_EQ(P::pageLines(s, s, 3, 10).front(), P::dumpLine(s, s, 20));
}

TEST(MismatchPrintout, ReportReplacesAnExistingFileWholeAndNamesAPathItCannotWrite)
{
    test::TempDir dir;
    const auto path = dir / "report.txt";
    test::writeFile(path, std::vector<std::uint8_t>(10'000, 'x'));
    const auto s = sector(0x30);
    P::writeReport(path, "Trk 1,Sec 1,Ofs 0", s, s);
    const auto written = test::readFile(path);
    EXPECT_EQ(std::string(written.begin(), written.end()), P::reportText("Trk 1,Sec 1,Ofs 0", s, s));
    EXPECT_EQ(written.size(), 44u + 81 + 64 * 81);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\r'), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    try {
        P::writeReport(dir / "missing" / "report.txt", "h", s, s);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace vellum
