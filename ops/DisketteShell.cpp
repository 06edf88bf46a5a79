#include "ops/DisketteShell.h"

#include "core/CVLMDoc.h"
#include "core/StandardFormats.h"
#include "drive/DriveBackend.h"
#include "drive/DriveStatus.h"
#include "drive/VirtualMedium.h"
#include "ops/CylinderFormatter.h"

namespace vellum {

namespace {

const std::string kImage = "-i";
const std::string kFloppyDevices = "/dev/fd"; // the kernel floppy driver's, which fdformat lays
constexpr std::string_view kLabelIs = "Volume label is ";
constexpr std::uint64_t kKilobyte = 1024;

Shell::Result statusResult(int status)
{
    return {status, CVLMDoc::statusText(status)};
}

// What mtools reports, and how the user is told it; the first that matches counts.
constexpr std::pair<std::string_view, std::string_view> kReasons[] = {
    {"non DOS media", "The diskette holds no DOS file system. Format it first."},
    {"not found", "The diskette has no file or folder of that name."},
    {"no match for target", "The diskette has no folder of that name."},
    {"Disk full", "The diskette is full."},
    {"Read-only file system", "The diskette is write-protected."},
    {"Permission denied", "Vellum has no permission to use the diskette."},
    {"Can't open", "The diskette cannot be opened."},
    {"Cannot initialize", "The diskette cannot be read."},
};

std::string firstLine(const std::string& text)
{
    const std::size_t start = text.find_first_not_of(" \r\n");
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

} // namespace

std::string DisketteShell::diskettePath(const std::string& path)
{
    return "::" + (path.starts_with('/') ? path : "/" + path);
}

Shell::Result DisketteShell::layDown(const Target& target, const StandardFormat& capacity)
{
    if (target.device && target.path.starts_with(kFloppyDevices))
        return shell_.run("fdformat", {target.path});
    if (target.device)
        return layOnDrive(target, capacity);
    VirtualMedium medium(target.path);
    for (std::uint32_t c = 0; c < capacity.cylinders(); ++c)
        if (const int status = medium.formatCylinder(c, capacity); status != 0)
            return statusResult(status);
    return {0, {}};
}

Shell::Result DisketteShell::layOnDrive(const Target& target, const StandardFormat& capacity)
{
    if (!drives_)
        return statusResult(kStatusInvalid);
    if (std::string refusal = drives_->formatRefusal(target.drive, capacity); !refusal.empty())
        return {kStatusInvalid, std::move(refusal)};
    std::uint32_t cylinder = 0;
    const int status = CylinderFormatter::layDown(*drives_, target.drive, capacity, {}, cylinder);
    drives_->releaseDrive(target.drive); // mformat opens the device next
    return status ? statusResult(status) : Shell::Result{0, {}};
}

Shell::Result DisketteShell::format(const Target& target, const StandardFormat& capacity, bool full,
                                    const std::string& label)
{
    if (full) {
        if (Shell::Result laid = layDown(target, capacity); !laid.ok())
            return laid;
    }
    std::vector<std::string> args = {kImage, target.path, "-f", std::to_string(capacity.imageBytes() / kKilobyte)};
    if (!label.empty())
        args.insert(args.end(), {"-v", label});
    args.push_back("::");
    return shell_.run("mformat", args);
}

Shell::Result DisketteShell::setLabel(const Target& target, const std::string& label)
{
    if (label.empty())
        return shell_.run("mlabel", {kImage, target.path, "-c", "::"});
    return shell_.run("mlabel", {kImage, target.path, "::" + label});
}

std::optional<std::string> DisketteShell::label(const Target& target)
{
    const Shell::Result shown = shell_.run("mlabel", {kImage, target.path, "-s", "::"});
    const std::size_t at = shown.output.find(kLabelIs);
    if (!shown.ok() || at == std::string::npos)
        return std::nullopt;
    std::string text = shown.output.substr(at + kLabelIs.size());
    text.erase(text.find_last_not_of(" \r\n") + 1);
    return text;
}

Shell::Result DisketteShell::rename(const Target& target, const std::string& from, const std::string& to)
{
    // On a name clash the new name is altered, never the other file overwritten.
    return shell_.run("mren", {kImage, target.path, "-D", "a", diskettePath(from), diskettePath(to)});
}

Shell::Result DisketteShell::remove(const Target& target, const std::string& path, bool directory)
{
    return shell_.run(directory ? "mdeltree" : "mdel", {kImage, target.path, diskettePath(path)});
}

Shell::Result DisketteShell::properties(const Target& target, const std::string& path)
{
    Shell::Result entry = shell_.run("mdir", {kImage, target.path, diskettePath(path)});
    if (!entry.ok())
        return entry;
    const Shell::Result attributes = shell_.run("mattrib", {kImage, target.path, diskettePath(path)});
    entry.output += "\n" + attributes.output;
    return entry;
}

Shell::Result DisketteShell::listing(const Target& target)
{
    const Shell::Result tree = shell_.run("mdir", {kImage, target.path, "-/", "::"});
    // mdir walks no tree on a diskette without files and calls "::" not
    // found; the plain listing then shows the diskette as it is, empty.
    return tree.ok() ? tree : shell_.run("mdir", {kImage, target.path, "::"});
}

std::string DisketteShell::reason(const Shell::Result& result)
{
    if (result.exitCode < 0)
        return "The diskette tools (mtools) could not be started. Is the mtools package installed?";
    for (const auto& [said, told] : kReasons)
        if (result.output.find(said) != std::string::npos)
            return std::string(told);
    const std::string line = firstLine(result.output);
    return line.empty() ? "The diskette command gave no reason." : "The diskette command reported: " + line;
}

std::string DisketteShell::inDriveTerms(const std::string& output, char letter)
{
    const std::string drive = std::string(1, letter) + ":";
    std::string out;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output.compare(i, 8, "drive : ") == 0) {
            out += "drive " + drive + " ";
            i += 7;
        } else if (output.compare(i, 2, "::") == 0) {
            out += drive;
            // The path after it, up to the end of its word, in backslashes.
            for (i += 2; i < output.size() && output[i] != ' ' && output[i] != '\n'; ++i)
                out += output[i] == '/' ? '\\' : output[i];
            --i;
        } else {
            out += output[i];
        }
    }
    return out;
}

} // namespace vellum
