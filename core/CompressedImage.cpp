#include "core/CompressedImage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <lzma.h>
#include <memory>
#include <minizip/unzip.h>
#include <zlib.h>

#include "core/BlockFile.h"
#include "core/Error.h"
#include "core/StandardFormats.h"

namespace vellum {

namespace {

constexpr std::array<std::uint8_t, 2> kGzipMagic = {0x1F, 0x8B};
constexpr std::array<std::uint8_t, 6> kXzMagic = {0xFD, '7', 'z', 'X', 'Z', 0x00};
constexpr std::array<std::uint8_t, 4> kZipMagic = {'P', 'K', 0x03, 0x04};
constexpr std::uint64_t kXzMemoryLimit = std::uint64_t{64} << 20;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMostNameBytes = 1024;
const std::array<std::string, 3> kImageSuffixes = {".IMG", ".IMA", ".IMD"};

template <std::size_t N>
bool startsWith(std::span<const std::uint8_t> head, const std::array<std::uint8_t, N>& magic)
{
    return head.size() >= N && std::equal(magic.begin(), magic.end(), head.begin());
}

std::string quoted(const std::filesystem::path& file)
{
    return "\"" + file.string() + "\"";
}

Error tooBig(const std::string& name)
{
    return Error(name + " unpacks to more than " + groupedNumber(CompressedImage::kMostBytes) +
                 " bytes, more than any diskette image holds.");
}

Error damaged(const std::string& name, const std::string& why)
{
    return Error(name + " is damaged: " + why + ".");
}

bool looksLikeImage(const std::string& name, std::uint64_t size)
{
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    const bool named = std::any_of(kImageSuffixes.begin(), kImageSuffixes.end(),
                                   [&](const std::string& s) { return upper.ends_with(s); });
    return !name.ends_with('/') && (named || formatBySize(static_cast<std::size_t>(size)));
}

using Zip = std::unique_ptr<void, int (*)(unzFile)>;

Zip openZip(const std::filesystem::path& file)
{
    Zip zip(unzOpen64(file.c_str()), &unzClose);
    if (!zip)
        throw damaged(quoted(file), "its zip directory cannot be read");
    return zip;
}

} // namespace

CompressedImage::Kind CompressedImage::kindOf(std::span<const std::uint8_t> head)
{
    if (startsWith(head, kGzipMagic))
        return Kind::Gzip;
    if (startsWith(head, kXzMagic))
        return Kind::Xz;
    return startsWith(head, kZipMagic) ? Kind::Zip : Kind::None;
}

std::vector<std::uint8_t> CompressedImage::inflate(std::span<const std::uint8_t> in, const std::string& name)
{
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        throw Error("Insufficient memory to unpack " + name + ".");
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, kChunk> chunk{};
    int status = Z_OK;
    while (status == Z_OK && out.size() <= kMostBytes) {
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
        status = ::inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), chunk.begin(), chunk.end() - z.avail_out);
    }
    inflateEnd(&z);
    if (out.size() > kMostBytes)
        throw tooBig(name);
    if (status != Z_STREAM_END)
        throw damaged(name, status == Z_DATA_ERROR ? "its gzip data or checksum is wrong" : "its gzip data is cut short");
    return out;
}

std::vector<std::uint8_t> CompressedImage::unxz(std::span<const std::uint8_t> in, const std::string& name)
{
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&s, kXzMemoryLimit, LZMA_CONCATENATED) != LZMA_OK)
        throw Error("Insufficient memory to unpack " + name + ".");
    s.next_in = in.data();
    s.avail_in = in.size();
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, kChunk> chunk{};
    lzma_ret status = LZMA_OK;
    while (status == LZMA_OK && out.size() <= kMostBytes) {
        s.next_out = chunk.data();
        s.avail_out = chunk.size();
        status = lzma_code(&s, LZMA_FINISH);
        out.insert(out.end(), chunk.begin(), chunk.end() - static_cast<std::ptrdiff_t>(s.avail_out));
    }
    lzma_end(&s);
    if (out.size() > kMostBytes)
        throw tooBig(name);
    if (status != LZMA_STREAM_END)
        throw damaged(name, status == LZMA_BUF_ERROR ? "its xz data is cut short" : "its xz data or checksum is wrong");
    return out;
}

std::vector<std::string> CompressedImage::zipImages(const std::filesystem::path& file)
{
    const Zip zip = openZip(file);
    std::vector<std::string> images;
    for (int at = unzGoToFirstFile(zip.get()); at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
        unz_file_info64 info{};
        std::array<char, kMostNameBytes> name{};
        if (unzGetCurrentFileInfo64(zip.get(), &info, name.data(), name.size() - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw damaged(quoted(file), "an entry of its zip directory cannot be read");
        if (looksLikeImage(name.data(), info.uncompressed_size))
            images.emplace_back(name.data());
    }
    return images;
}

std::vector<std::uint8_t> CompressedImage::unzip(const std::filesystem::path& file, const std::string& member)
{
    std::string chosen = member;
    if (chosen.empty()) {
        const auto images = zipImages(file);
        if (images.size() != 1) {
            std::string list;
            for (const std::string& i : images)
                list += (list.empty() ? "" : ", ") + i;
            throw Error(quoted(file) + (images.empty() ? " holds no diskette image."
                                                       : " holds " + std::to_string(images.size()) + " diskette images (" +
                                                             list + "): name one as \"" + file.string() + ":NAME\"."));
        }
        chosen = images.front();
    }
    const std::string name = quoted(std::filesystem::path(file.string() + ":" + chosen));
    const Zip zip = openZip(file);
    if (unzLocateFile(zip.get(), chosen.c_str(), 0) != UNZ_OK)
        throw Error(quoted(file) + " holds no file named \"" + chosen + "\".");
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK)
        throw damaged(name, "it is stored in a way the zip reader does not know");
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, kChunk> chunk{};
    int got = 0;
    while ((got = unzReadCurrentFile(zip.get(), chunk.data(), chunk.size())) > 0 && out.size() <= kMostBytes)
        out.insert(out.end(), chunk.begin(), chunk.begin() + got);
    const int closed = unzCloseCurrentFile(zip.get());
    if (out.size() > kMostBytes)
        throw tooBig(name);
    if (got < 0 || closed != UNZ_OK)
        throw damaged(name, closed == UNZ_CRCERROR ? "its checksum is wrong" : "its data cannot be unpacked");
    return out;
}

std::vector<std::uint8_t> CompressedImage::unpack(const std::filesystem::path& file, Kind kind, const std::string& member)
{
    if (kind == Kind::Zip)
        return unzip(file, member);
    BlockFile in = BlockFile::openRead(file);
    if (in.size() > kMostBytes)
        throw tooBig(quoted(file));
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(in.size()));
    packed.resize(in.read(packed));
    return kind == Kind::Gzip ? inflate(packed, quoted(file)) : unxz(packed, quoted(file));
}

} // namespace vellum
