#include "appmodel/TipFile.h"

#include <chrono>
#include <ctime>

#include "core/Profile.h"

namespace vellum {

namespace {

const std::string kSection = "Tip";
const std::string kStartUp = "StartUp";
const std::string kFilePos = "FilePos";
const std::string kTimeStamp = "TimeStamp";

} // namespace

TipFile::TipFile(const std::filesystem::path& file, Profile& profile) : profile_(profile), in_(file, std::ios::binary)
{
    if (!in_.is_open())
        return;
    const std::string stamp = timeStamp(file);
    std::streamoff position = profile_.readInt(kSection, kFilePos, 0);
    if (stamp != profile_.readString(kSection, kTimeStamp, "")) {
        profile_.writeString(kSection, kTimeStamp, stamp);
        position = 0;
    }
    in_.seekg(position);
    trouble_ = !in_;
}

TipFile::~TipFile()
{
    if (!in_.is_open())
        return;
    in_.clear();
    const std::streamoff position = in_.tellg();
    if (position >= 0)
        profile_.writeInt(kSection, kFilePos, static_cast<int>(position));
}

bool TipFile::isTip(const std::string& line)
{
    return !line.empty() && line[0] != ' ' && line[0] != '\t' && line[0] != '\r' && line[0] != ';';
}

std::optional<std::string> TipFile::next()
{
    if (!in_.is_open() || trouble_)
        return std::nullopt;
    // One pass from here to the end and one from the start cover the file.
    for (int pass = 0; pass < 2; ++pass) {
        std::string line;
        while (std::getline(in_, line)) {
            if (!isTip(line))
                continue;
            if (line.back() == '\r')
                line.pop_back();
            if (line.size() > kMaxTipLength)
                line.resize(kMaxTipLength);
            return line;
        }
        if (in_.bad() || !rewind()) {
            trouble_ = true;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool TipFile::rewind()
{
    in_.clear();
    in_.seekg(0);
    return static_cast<bool>(in_);
}

bool TipFile::showAtStartUp(const Profile& profile)
{
    return profile.readInt(kSection, kStartUp, 0) == 0;
}

void TipFile::setShowAtStartUp(Profile& profile, bool show)
{
    profile.writeInt(kSection, kStartUp, show ? 0 : 1);
}

std::string TipFile::timeStamp(const std::filesystem::path& file)
{
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    if (ec)
        return {};
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local);
    return text;
}

} // namespace vellum
