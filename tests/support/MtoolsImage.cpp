#include "tests/support/MtoolsImage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <random>
#include <regex>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "core/CVLMDoc.h"
#include "core/RawImageFile.h"

namespace vellum::test {

namespace {

// mtools must not ask about odd geometries, and must read and print UTF-8.
const std::string kMtoolsEnv = "MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 ";

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string shellQuoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string runCommand(const std::string& command)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run: " + command);
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("command failed: " + command);
    return out;
}

MtoolsImage::MtoolsImage(Maker maker, const std::string& args) : image_(dir_ / "disk.img")
{
    if (maker == Maker::Mformat)
        mtools("mformat -C " + args);
    else
        runCommand("mkfs.fat -C " + shellQuoted(image_.string()) + " " + args + " >/dev/null");
}

std::string MtoolsImage::mtools(const std::string& command) const
{
    // The image goes after -i; mformat also wants the drive "::" at the end.
    const std::string verb = command.substr(0, command.find(' '));
    const std::string rest = command.substr(verb.size());
    const std::string drive = verb == "mformat" ? " ::" : "";
    return runCommand(kMtoolsEnv + verb + " -i " + shellQuoted(image_.string()) + rest + drive + " 2>/dev/null");
}

void MtoolsImage::addFile(const std::string& dosPath, std::span<const std::uint8_t> content, std::time_t mtime)
{
    const auto host = dir_ / "content";
    writeFile(host, content);
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (::utimensat(AT_FDCWD, host.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot stamp " + host.string());
    mtools("mcopy -m " + shellQuoted(host.string()) + " " + shellQuoted("::" + dosPath));
}

void MtoolsImage::addEmptyFiles(const std::string& dosDirectory, const std::vector<std::string>& names)
{
    const auto folder = dir_ / "empty";
    std::filesystem::create_directories(folder);
    std::string args;
    for (const std::string& name : names) {
        writeFile(folder / name, {});
        args += " " + shellQuoted((folder / name).string());
    }
    mtools("mcopy" + args + " " + shellQuoted("::" + dosDirectory));
}

void MtoolsImage::makeDirectories(const std::vector<std::string>& dosPaths)
{
    std::string args;
    for (const std::string& p : dosPaths)
        args += " " + shellQuoted("::" + p);
    mtools("mmd" + args);
}

void MtoolsImage::setAttributes(const std::string& flags, const std::string& dosPath)
{
    mtools("mattrib " + flags + " " + shellQuoted("::" + dosPath));
}

void MtoolsImage::remove(const std::string& dosPath)
{
    mtools("mdel " + shellQuoted("::" + dosPath));
}

void MtoolsImage::label(const std::string& text)
{
    mtools("mlabel " + shellQuoted("::" + text));
}

std::vector<MtoolsImage::DirRow> MtoolsImage::mdir(const std::string& dosPath) const
{
    static const std::regex kRow(R"(^(\S+)(?: +(\S+))? +(<DIR>|[0-9]+) +[0-9]{4}-[0-9]{2}-[0-9]{2} +[0-9]{1,2}:[0-9]{2}(.*)$)");
    const std::string out = mtools("mdir -a " + shellQuoted("::" + dosPath));
    std::vector<DirRow> rows;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = std::min(out.find('\n', start), out.size());
        const std::string line = out.substr(start, end - start);
        start = end + 1;
        std::smatch m;
        if (!std::regex_match(line, m, kRow))
            continue;
        DirRow row;
        row.shortName = m[1].str() + (m[2].matched ? "." + m[2].str() : "");
        row.isDirectory = m[3] == "<DIR>";
        row.size = row.isDirectory ? 0 : static_cast<std::uint32_t>(std::stoul(m[3]));
        row.longName = trimmed(m[4].str());
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::uint8_t> MtoolsImage::extract(const std::string& dosPath) const
{
    const std::string out = mtools("mcopy " + shellQuoted("::" + dosPath) + " -");
    return {out.begin(), out.end()};
}

void MtoolsImage::extractTo(const std::string& dosPath, const std::filesystem::path& host) const
{
    mtools("mcopy -m " + shellQuoted("::" + dosPath) + " " + shellQuoted(host.string()));
}

std::string MtoolsImage::mdirText(const std::string& dosPath) const
{
    return mtools("mdir " + shellQuoted("::" + dosPath));
}

void MtoolsImage::loadInto(CVLMDoc& doc) const
{
    const std::vector<std::uint8_t> bytes = readFile(image_);
    const auto store = doc.image();
    if (bytes.size() > store.size())
        throw std::runtime_error("image of " + std::to_string(bytes.size()) + " bytes exceeds the store");
    std::fill(std::copy(bytes.begin(), bytes.end(), store.begin()), store.end(), 0);
    const auto g = RawImageFile::recognise(bytes, bytes.size());
    if (!g)
        throw std::runtime_error("no diskette image is " + std::to_string(bytes.size()) + " bytes long");
    doc.setGeometry(*g);
    doc.TracksLoaded = static_cast<std::int32_t>(g->totalSectors / g->sectorsPerTrack);
    doc.directory.chain.fill(0);
    doc.directory.depth = 0;
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

std::size_t mdirFreeBytes(const std::filesystem::path& image)
{
    const std::string out = runCommand(kMtoolsEnv + "mdir -i " + shellQuoted(image.string()) + " ::");
    const std::size_t end = out.find(" bytes free");
    std::string digits;
    for (std::size_t i = out.rfind('\n', end) + 1; i < end; ++i)
        if (std::isdigit(static_cast<unsigned char>(out[i])))
            digits += out[i];
    return std::stoul(digits);
}

bool fsckClean(const std::filesystem::path& image)
{
    return runCommand("fsck.fat -n " + shellQuoted(image.string()) + " >/dev/null 2>&1; echo $?") == "0\n";
}

} // namespace vellum::test
