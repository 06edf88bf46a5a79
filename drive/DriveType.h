#pragma once
// The DOS device types a diskette drive can have, with the format it was
// built for and the formats it reads and writes, as real drives do.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "drive/MediumFormat.h"

namespace vellum {

struct DriveType {
    std::uint8_t dosType;
    std::string_view name;
    std::string_view nativeFormat;
    std::array<std::string_view, 4> formats; // unused slots are empty

    const MediumFormat& native() const;
    bool takes(const MediumFormat& format) const;
};

const DriveType* driveTypeOf(int dosType);
// Whether a drive of the type takes 3.5-inch or 5.25-inch diskettes; both
// false for a type no diskette drive has.
bool is35InchDrive(int dosType);
bool is525InchDrive(int dosType);
// "0, 1, 2, 7 or 9", for messages.
std::string driveTypeList();

} // namespace vellum
