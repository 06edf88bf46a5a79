#include "drive/DriveType.h"

#include <algorithm>

namespace vellum {

namespace {

constexpr std::array<DriveType, 5> kDriveTypes = {{
    {0, "5.25-inch 360 KB", kFormatCode360, {kFormatCode360}},
    {1, "5.25-inch 1.2 MB", kFormatCode12, {kFormatCode360, kFormatCode12}},
    {2, "3.5-inch 720 KB", kFormatCode720, {kFormatCode720}},
    {7, "3.5-inch 1.44 MB", kFormatCode144, {kFormatCode720, kFormatCode144, kFormatCodeDmf}},
    {9, "3.5-inch 2.88 MB", kFormatCode288, {kFormatCode720, kFormatCode144, kFormatCodeDmf, kFormatCode288}},
}};

} // namespace

const StandardFormat& DriveType::native() const
{
    return standardFormat(nativeFormat);
}

bool DriveType::takes(const StandardFormat& format) const
{
    return std::find(formats.begin(), formats.end(), format.formatCode) != formats.end();
}

const DriveType* driveTypeOf(int dosType)
{
    for (const DriveType& t : kDriveTypes)
        if (t.dosType == dosType)
            return &t;
    return nullptr;
}

bool is525InchDrive(int dosType)
{
    const DriveType* type = driveTypeOf(dosType);
    if (!type)
        return false;
    const MediumKind kind = type->native().kind;
    return kind == MediumKind::DoubleDensity525 || kind == MediumKind::HighDensity525;
}

bool is35InchDrive(int dosType)
{
    return driveTypeOf(dosType) && !is525InchDrive(dosType);
}

std::string driveTypeList()
{
    std::string list;
    for (std::size_t i = 0; i < kDriveTypes.size(); ++i) {
        if (i > 0)
            list += i + 1 == kDriveTypes.size() ? " or " : ", ";
        list += std::to_string(kDriveTypes[i].dosType);
    }
    return list;
}

} // namespace vellum
