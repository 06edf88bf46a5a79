#include "splitjoin/HostVolumeProbe.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "core/Error.h"

namespace vellum {

namespace {

// Fields of a mountinfo line: id, parent id, major:minor, root, mount point.
constexpr std::size_t kDeviceField = 2;
constexpr std::size_t kMountPointField = 4;
constexpr int kOctalEscapeLength = 3;

bool isOctalEscape(const std::string& field, std::size_t at)
{
    if (field[at] != '\\' || at + kOctalEscapeLength >= field.size())
        return false;
    for (int k = 1; k <= kOctalEscapeLength; ++k)
        if (field[at + k] < '0' || field[at + k] > '7')
            return false;
    return true;
}

// Mount points escape space, tab, newline and backslash as "\ooo".
std::string unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (isOctalEscape(field, i)) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, kOctalEscapeLength), nullptr, 8));
            i += kOctalEscapeLength;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool isUnder(const std::string& path, const std::string& mountPoint)
{
    if (mountPoint == "/")
        return true;
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool flagSet(const std::filesystem::path& file)
{
    std::ifstream in(file);
    char c = '0';
    return in >> c && c == '1';
}

} // namespace

HostVolumeProbe::HostVolumeProbe(std::filesystem::path mountinfo, std::filesystem::path sysDevBlock)
    : mountinfo_(std::move(mountinfo)), sysDevBlock_(std::move(sysDevBlock))
{
}

std::uint64_t HostVolumeProbe::freeBytes(const std::filesystem::path& folder)
{
    std::error_code ec;
    const auto info = std::filesystem::space(folder, ec);
    if (ec)
        throw Error("Cannot read the free space of \"" + folder.string() + "\": " + ec.message() + ".");
    return info.available;
}

bool HostVolumeProbe::isRemovable(const std::filesystem::path& folder)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(folder, ec);
    const auto path = ec ? absolute : std::filesystem::weakly_canonical(absolute, ec);
    if (ec)
        return false;
    const auto device = deviceOf(readText(mountinfo_), path.string());
    if (!device)
        return false;
    // A partition's flag is on its whole disk, one folder up.
    const std::filesystem::path dir = sysDevBlock_ / *device;
    return flagSet(dir / "removable") || (std::filesystem::exists(dir / "partition", ec) &&
                                          flagSet(dir / ".." / "removable"));
}

std::optional<std::string> HostVolumeProbe::deviceOf(std::string_view mountinfo, const std::string& path)
{
    std::optional<std::string> device;
    std::size_t longest = 0;
    std::istringstream lines{std::string(mountinfo)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string w; fields.size() <= kMountPointField && words >> w;)
            fields.push_back(w);
        if (fields.size() <= kMountPointField)
            continue;
        const std::string mountPoint = unescape(fields[kMountPointField]);
        // Later mounts over the same point hide earlier ones.
        if (isUnder(path, mountPoint) && mountPoint.size() >= longest) {
            longest = mountPoint.size();
            device = fields[kDeviceField];
        }
    }
    return device;
}

} // namespace vellum
