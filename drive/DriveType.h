#pragma once
// The DOS device types a diskette drive can have, with the format it was
// built for and the formats it reads and writes, as real drives do.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/StandardFormats.h"

namespace vellum {

struct DriveType {
    std::uint8_t dosType;
    std::string_view name;
    static constexpr std::uint8_t kNone = 0;

    std::uint8_t nativeFormat; // format codes
    std::array<std::uint8_t, 4> formats; // unused slots are kNone

    const StandardFormat& native() const;
    bool takes(const StandardFormat& format) const;
};

const DriveType* driveTypeOf(int dosType);
// Whether a drive of the type takes 3.5-inch or 5.25-inch diskettes; both
// false for a type no diskette drive has.
bool is35InchDrive(int dosType);
bool is525InchDrive(int dosType);
// "0, 1, 2, 7 or 9", for messages.
std::string driveTypeList();

} // namespace vellum
