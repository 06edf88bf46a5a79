#include "core/ForeignImage.h"

#include <algorithm>
#include <array>

#include "core/BlockFile.h"
#include "core/CompressedImage.h"
#include "core/DskHelper.h"
#include "core/Error.h"
#include "core/ImdFile.h"

namespace vellum {

namespace {

constexpr std::array<std::uint8_t, 3> kTeledisk = {'T', 'D', 0};
constexpr std::array<std::uint8_t, 3> kTeleDiskAdvanced = {'t', 'd', 0};
constexpr std::array<std::uint8_t, 3> kCopyQm = {'C', 'Q', 0x14};

bool startsWith(std::span<const std::uint8_t> head, const std::array<std::uint8_t, 3>& magic)
{
    return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
}

} // namespace

ForeignImage::Kind ForeignImage::kindOf(std::span<const std::uint8_t> head)
{
    if (ImdFile::startsWithMagic(head))
        return Kind::Imd;
    if (startsWith(head, kTeledisk) || startsWith(head, kTeleDiskAdvanced))
        return Kind::Teledisk;
    if (startsWith(head, kCopyQm))
        return Kind::CopyQm;
    switch (CompressedImage::kindOf(head)) {
    case CompressedImage::Kind::Gzip: return Kind::Gzip;
    case CompressedImage::Kind::Xz: return Kind::Xz;
    case CompressedImage::Kind::Zip: return Kind::Zip;
    default: return Kind::Raw;
    }
}

ForeignImage::Kind ForeignImage::kindOf(const std::filesystem::path& file)
{
    std::array<std::uint8_t, kHeadBytes> head{};
    try {
        const std::size_t got = BlockFile::openRead(file).read(head);
        return kindOf(std::span(head).first(got));
    } catch (const Error&) {
        return Kind::Raw;
    }
}

std::string ForeignImage::nameOf(Kind kind)
{
    switch (kind) {
    case Kind::Imd: return "ImageDisk";
    case Kind::Teledisk: return "Teledisk";
    case Kind::CopyQm: return "CopyQM";
    case Kind::Gzip: return "gzip";
    case Kind::Xz: return "xz";
    case Kind::Zip: return "zip";
    default: return "raw";
    }
}

std::pair<std::filesystem::path, std::string> ForeignImage::split(const std::filesystem::path& path)
{
    const std::string text = path.string();
    std::error_code ec;
    for (std::size_t colon = text.find(':'); colon != std::string::npos && !std::filesystem::exists(path, ec);
         colon = text.find(':', colon + 1)) {
        const std::filesystem::path file = text.substr(0, colon);
        if (std::filesystem::is_regular_file(file, ec) && kindOf(file) == Kind::Zip)
            return {file, text.substr(colon + 1)};
    }
    return {path, {}};
}

DecodedImage ForeignImage::unpacked(std::vector<std::uint8_t> bytes, const std::string& name)
{
    const Kind inner = kindOf(std::span(bytes).first(std::min(bytes.size(), kHeadBytes)));
    if (inner == Kind::Imd)
        return ImdFile::decode(bytes, name);
    if (inner != Kind::Raw)
        throw Error("\"" + name + "\" holds a " + nameOf(inner) + " image packed again; unpack it first.");
    return DecodedImage{std::move(bytes), {}, {}};
}

std::optional<DecodedImage> ForeignImage::read(const std::filesystem::path& file, const std::string& member)
{
    const std::string name = member.empty() ? file.string() : file.string() + ":" + member;
    switch (kindOf(file)) {
    case Kind::Imd: {
        BlockFile in = BlockFile::openRead(file);
        if (in.size() > CompressedImage::kMostBytes)
            throw Error("\"" + name + "\" is larger than any ImageDisk file of a diskette.");
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.size()));
        bytes.resize(in.read(bytes));
        return ImdFile::decode(bytes, name);
    }
    case Kind::Teledisk: return DskHelper::read(file, "tele");
    case Kind::CopyQm: return DskHelper::read(file, "copyqm");
    case Kind::Gzip: return unpacked(CompressedImage::unpack(file, CompressedImage::Kind::Gzip, {}), name);
    case Kind::Xz: return unpacked(CompressedImage::unpack(file, CompressedImage::Kind::Xz, {}), name);
    case Kind::Zip: return unpacked(CompressedImage::unpack(file, CompressedImage::Kind::Zip, member), name);
    default: return std::nullopt;
    }
}

} // namespace vellum
