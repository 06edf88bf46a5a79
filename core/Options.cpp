#include "core/Options.h"

namespace vellum {

namespace {
const std::string kSection = "Options";
const std::string kLoadEntire = "LoadEntireDiskette";
const std::string kVerify = "VerifyCopy";
const std::string kForceFormat = "ForceFormat";
const std::string kKeepDirs = "KeepDirStructure";
const std::string kCopies = "NumberCopies";
} // namespace

int Options::clampCopies(int n)
{
    return (n < kMinCopies || n > kMaxCopies) ? kMinCopies : n;
}

Options Options::read(const Profile& profile)
{
    Options o;
    o.LoadEntireDiskette = profile.readInt(kSection, kLoadEntire, 0) != 0;
    o.VerifyCopy = profile.readInt(kSection, kVerify, 0) != 0;
    o.ForceFormat = profile.readInt(kSection, kForceFormat, 0) != 0;
    o.KeepDirStructure = profile.readInt(kSection, kKeepDirs, 1) != 0;
    o.NumberCopies = clampCopies(profile.readInt(kSection, kCopies, 0));
    return o;
}

void Options::write(Profile& profile) const
{
    profile.writeInt(kSection, kLoadEntire, LoadEntireDiskette);
    profile.writeInt(kSection, kVerify, VerifyCopy);
    profile.writeInt(kSection, kForceFormat, ForceFormat);
    profile.writeInt(kSection, kKeepDirs, KeepDirStructure);
    profile.writeInt(kSection, kCopies, clampCopies(NumberCopies));
}

} // namespace vellum
