#include "core/DosTime.h"

#include <algorithm>

namespace vellum {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr int kDosEpochYear = 1980;
constexpr int kDosLastYear = kDosEpochYear + 127;
constexpr int kTmEpochYear = 1900;

struct DosFields {
    int year, month, day, hour, minute, second;
};

DosFields split(std::uint16_t date, std::uint16_t time)
{
    return {kDosEpochYear + (date >> 9), (date >> 5) & 0x0F, date & 0x1F,
            time >> 11,                  (time >> 5) & 0x3F, (time & 0x1F) * 2};
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysIn(int month, int year)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// mktime would quietly roll 31 February into March; such a stamp is damage.
bool isValid(const DosFields& f)
{
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= daysIn(f.month, f.year) &&
           f.hour <= 23 && f.minute <= 59 && f.second <= 58;
}

} // namespace

DosStamp DosTime::fromTm(const std::tm& t)
{
    const int year = std::clamp(t.tm_year + kTmEpochYear, kDosEpochYear, kDosLastYear) - kDosEpochYear;
    return {static_cast<std::uint16_t>((year << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday),
            static_cast<std::uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2))};
}

std::optional<std::time_t> DosTime::toTime(std::uint16_t date, std::uint16_t time)
{
    const DosFields f = split(date, time);
    if (!isValid(f))
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = f.year - kTmEpochYear;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    tm.tm_isdst = -1; // let the zone's rules decide
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return std::nullopt;
    return t;
}

std::uint64_t DosTime::toFileTime(std::uint16_t date, std::uint16_t time)
{
    const auto t = toTime(date, time);
    if (!t)
        return 0;
    return static_cast<std::uint64_t>((static_cast<std::int64_t>(*t) + kSecondsFrom1601To1970) * kTicksPerSecond);
}

DosStamp DosTime::fromTime(std::time_t t)
{
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr || tm.tm_year + kTmEpochYear < kDosEpochYear) {
        tm = {};
        tm.tm_year = kDosEpochYear - kTmEpochYear;
        tm.tm_mday = 1;
    } else if (tm.tm_year + kTmEpochYear > kDosLastYear) {
        tm = {};
        tm.tm_year = kDosLastYear - kTmEpochYear;
        tm.tm_mon = 11;
        tm.tm_mday = 31;
        tm.tm_hour = 23;
        tm.tm_min = 59;
        tm.tm_sec = 59;
    }
    return fromTm(tm);
}

std::optional<std::tm> DosTime::toLocal(std::uint64_t fileTime)
{
    const auto seconds = static_cast<std::int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970;
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return std::nullopt;
    return tm;
}

} // namespace vellum
