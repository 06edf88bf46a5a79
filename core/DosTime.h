#pragma once
// DOS directory timestamps. A DOS date and time carry no zone: they are the
// local time of the machine that wrote them, so they go through the C
// library's local-time rules (TZ) both ways.
#include <cstdint>
#include <ctime>
#include <optional>
#include <utility>

namespace vellum {

class DosTime {
public:
    // The DOS date and time, taken as local time, as a UTC file time (100 ns
    // units since 1601-01-01); 0 for a date or time no clock can show.
    static std::uint64_t toFileTime(std::uint16_t date, std::uint16_t time);

    // A host time as the DOS date and time of the local clock, held to the
    // years a DOS date can show.
    static std::pair<std::uint16_t, std::uint16_t> fromTime(std::time_t t);

    // A file time as local broken-down time; empty when the C library
    // cannot represent it.
    static std::optional<std::tm> toLocal(std::uint64_t fileTime);
};

} // namespace vellum
