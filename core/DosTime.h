#pragma once
// DOS directory timestamps. A DOS date and time carry no zone: they are the
// local time of the machine that wrote them, so they go through the C
// library's local-time rules (TZ) both ways.
#include <cstdint>
#include <ctime>
#include <optional>

namespace vellum {

struct DosStamp {
    std::uint16_t date;
    std::uint16_t time;
};

class DosTime {
public:
    // Broken-down time as a DOS date and time, in two-second steps; a year
    // before 1980 or after 2107 becomes the nearest one a DOS date holds.
    static DosStamp fromTm(const std::tm& t);

    // The DOS date and time, taken as local time, as a UTC file time (100 ns
    // units since 1601-01-01); 0 for a date or time no clock can show.
    static std::uint64_t toFileTime(std::uint16_t date, std::uint16_t time);
    // The same moment as a host time; empty for a date or time no clock can show.
    static std::optional<std::time_t> toTime(std::uint16_t date, std::uint16_t time);

    // A host time as the DOS date and time of the local clock; a time before
    // 1980 or after 2107 becomes the first or last moment a DOS date holds.
    static DosStamp fromTime(std::time_t t);

    // A file time as local broken-down time; empty when the C library
    // cannot represent it.
    static std::optional<std::tm> toLocal(std::uint64_t fileTime);
};

} // namespace vellum
