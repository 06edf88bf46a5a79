#include "drive/DriveSettings.h"

#include <utility>

#include "core/Error.h"
#include "drive/DriveType.h"

namespace vellum {

namespace {
const std::string kDeviceType = "DeviceType";
const std::string kMedium = "Medium";
const std::string kWriteProtected = "WriteProtected";
const std::string kDevice = "Device";

std::string sectionOf(int drive)
{
    return "Drive" + std::string(1, static_cast<char>('A' + drive));
}
} // namespace

DriveSettings::DriveSettings(Profile& profile) : profile_(profile)
{
    reload();
}

void DriveSettings::reload()
{
    profile_.reload();
    for (int d = 0; d < DriveBackend::kDrives; ++d) {
        Drive& drive = at(d);
        const std::string section = sectionOf(d);
        const int fallback = kDefaultDeviceTypes[static_cast<std::size_t>(d)];
        const int type = profile_.readInt(section, kDeviceType, fallback);
        // A hand-edited type no drive has falls back to the drive's default.
        drive.deviceType = driveTypeOf(type) ? type : fallback;
        drive.medium = profile_.readString(section, kMedium, "");
        drive.writeProtected = profile_.readInt(section, kWriteProtected, 0) != 0;
        drive.device = profile_.readString(section, kDevice, "");
    }
}

std::string DriveSettings::driveName(int drive)
{
    return std::string(1, static_cast<char>('A' + drive)) + ":";
}

const DriveSettings::Drive& DriveSettings::at(int drive) const
{
    if (drive < 0 || drive >= DriveBackend::kDrives)
        throw Error("There is no drive " + std::to_string(drive) + "; the drives are 0 (A:) and 1 (B:)");
    return drives_[static_cast<std::size_t>(drive)];
}

DriveSettings::Drive& DriveSettings::at(int drive)
{
    return const_cast<Drive&>(std::as_const(*this).at(drive));
}

void DriveSettings::setDeviceType(int drive, int dosType)
{
    if (!driveTypeOf(dosType))
        throw Error("Drive " + driveName(drive) + " cannot have device type " + std::to_string(dosType) +
                    "; a diskette drive has type " + driveTypeList());
    at(drive).deviceType = dosType;
    profile_.writeInt(sectionOf(drive), kDeviceType, dosType);
}

void DriveSettings::setMedium(int drive, const std::string& path)
{
    at(drive).medium = path;
    profile_.writeString(sectionOf(drive), kMedium, path);
}

void DriveSettings::setWriteProtected(int drive, bool on)
{
    at(drive).writeProtected = on;
    profile_.writeInt(sectionOf(drive), kWriteProtected, on ? 1 : 0);
}

void DriveSettings::setDevice(int drive, const std::string& path)
{
    at(drive).device = path;
    profile_.writeString(sectionOf(drive), kDevice, path);
}

} // namespace vellum
