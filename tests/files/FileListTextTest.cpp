#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "files/FileListText.h"

namespace vellum {
namespace {

constexpr int kName = 0, kAlternate = 1, kSize = 2, kAttributes = 3, kModified = 4;

class UtcZone {
public:
    UtcZone()
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone()
    {
        if (old_.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", old_.c_str(), 1);
        ::tzset();
    }

private:
    std::string old_;
};

std::uint64_t fileTime(int year, int month, int day, int hour, int minute)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return (static_cast<std::uint64_t>(timegm(&tm)) + 11'644'473'600ULL) * 10'000'000ULL;
}

ListingRecord record(std::string longName, std::string shortName, std::uint32_t size = 0,
                     std::uint32_t attributes = 0x20, std::uint64_t time = 0)
{
    return {attributes, time, size, std::move(longName), std::move(shortName)};
}

TEST(FileListText, AttributeTextMarksEachBitAndLetsDirectoryAndNormalWin)
{
    EXPECT_EQ(FileListText::attributeText(0x21), " r  a");
    EXPECT_EQ(FileListText::attributeText(0x800 | 0x04 | 0x02), "c sh ");
    EXPECT_EQ(FileListText::attributeText(0x00), "     ");
    EXPECT_EQ(FileListText::attributeText(0x80), "     ");
    EXPECT_EQ(FileListText::attributeText(0x80 | 0x21), "     ");
    EXPECT_EQ(FileListText::attributeText(0x10), "<dir>");
    EXPECT_EQ(FileListText::attributeText(0x10 | 0x80 | 0x07), "<dir>");
    EXPECT_EQ(FileListText::attributeText(0x20202020), "     "); // a blank row's field
}

TEST(FileListText, ModifiedTextUsesATwelveHourClockAndTwoDigitYears)
{
    UtcZone utc;
    EXPECT_EQ(FileListText::modifiedText(fileTime(2000, 1, 7, 14, 5)), "1/07/00 (2:05p)");
    EXPECT_EQ(FileListText::modifiedText(fileTime(1999, 12, 31, 0, 30)), "12/31/99 (12:30a)");
    EXPECT_EQ(FileListText::modifiedText(fileTime(2009, 3, 4, 12, 0)), "3/04/09 (12:00p)");
    EXPECT_EQ(FileListText::modifiedText(fileTime(1980, 1, 1, 11, 59)), "1/01/80 (11:59a)");
    EXPECT_EQ(FileListText::modifiedText(fileTime(2107, 12, 31, 23, 58)), "12/31/07 (11:58p)");
}

TEST(FileListText, ColumnsShowTheRecord)
{
    UtcZone utc;
    const ListingRecord r = record("Café.txt", "CAF\x90    .TXT", 4'000'000'000u, 0x01, fileTime(2000, 1, 7, 14, 5));
    EXPECT_EQ(FileListText::columnText(r, kName), "Café.txt");
    EXPECT_EQ(FileListText::columnText(r, kAlternate), "CAFÉ    .TXT");
    EXPECT_EQ(FileListText::columnText(r, kSize), "4000000000");
    EXPECT_EQ(FileListText::columnText(r, kAttributes), " r   ");
    EXPECT_EQ(FileListText::columnText(r, kModified), "1/07/00 (2:05p)");
    EXPECT_EQ(FileListText::columnText(r, 5), "");

    EXPECT_EQ(FileListText::placeholder(true), "No Files");
    EXPECT_EQ(FileListText::placeholder(false), "No Files Found");
    EXPECT_TRUE(FileListText::isPlaceholder("No Files Found"));
    EXPECT_FALSE(FileListText::isPlaceholder("No Files Found.txt"));
}

std::vector<std::string> sortedNames(std::vector<ListingRecord> rows, int column)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const auto& a, const auto& b) { return FileListText::compare(a, b, column) < 0; });
    std::vector<std::string> names;
    for (const auto& r : rows)
        names.push_back(r.longName);
    return names;
}

TEST(FileListText, NamesSortWithoutCaseAndShortNamesWithIt)
{
    const std::vector<ListingRecord> rows = {
        record("école", "\x82" "COLE.TXT"), record("Banana", "BANANA"), record("apricot", "apricot"),
        record("Éclair", "\x90" "CLAIR"), record("banana", "banana"),
    };
    EXPECT_EQ(sortedNames(rows, kName), (std::vector<std::string>{"apricot", "Banana", "banana", "Éclair", "école"}));
    EXPECT_EQ(sortedNames(rows, kAlternate),
              (std::vector<std::string>{"Banana", "apricot", "banana", "Éclair", "école"}));
}

TEST(FileListText, NumbersAndTimesSortAscendingOverTheirWholeRange)
{
    const auto a = record("a", "A", 3'000'000'000u, 0x01, 0x1'0000'0000ULL);
    const auto b = record("b", "B", 1, 0x20, 0x0'FFFF'FFFFULL);
    EXPECT_GT(FileListText::compare(a, b, kSize), 0); // no wrap of a 32-bit difference
    EXPECT_LT(FileListText::compare(b, a, kSize), 0);
    EXPECT_LT(FileListText::compare(a, b, kAttributes), 0);
    EXPECT_GT(FileListText::compare(a, b, kModified), 0);
    EXPECT_EQ(FileListText::compare(a, b, 7), 0);
    EXPECT_EQ(FileListText::compare(a, a, kName), 0);
}

} // namespace
} // namespace vellum
