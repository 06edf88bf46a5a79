#include "core/ImdFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ctime>

#include "core/AtomicFile.h"
#include "core/BlockFile.h"
#include "core/Bpb.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/StandardFormats.h"
#include "core/TextCodec.h"
#include "core/UnreadableSector.h"

namespace vellum {

namespace {

constexpr std::uint8_t kCommentEnd = 0x1A;
constexpr std::size_t kMostCommentBytes = 8192;
constexpr std::uint8_t kHasCylinderMap = 0x80;
constexpr std::uint8_t kHasHeadMap = 0x40;
constexpr std::uint8_t kLastMode = 5;
constexpr std::uint8_t kLastSizeCode = 6;
constexpr std::uint8_t kLastRecord = 8;
constexpr std::uint8_t kUnavailable = 0;
constexpr std::uint8_t kData = 1;
constexpr std::uint8_t kFilled = 2;
// 500 and 250 kbps MFM: high and double density.
constexpr std::uint8_t kModeHighDensity = 3;
constexpr std::uint8_t kModeDoubleDensity = 5;
constexpr std::uint8_t kSizeCode512 = 2;

class Cursor {
public:
    Cursor(std::span<const std::uint8_t> bytes, std::size_t at, const std::string& name)
        : bytes_(bytes), at_(at), name_(name)
    {
    }
    bool atEnd() const { return at_ >= bytes_.size(); }
    std::span<const std::uint8_t> take(std::size_t n, const std::string& what)
    {
        if (n > bytes_.size() - at_)
            throw Error("\"" + name_ + "\" is cut short: it ends inside " + what + ".");
        at_ += n;
        return bytes_.subspan(at_ - n, n);
    }
    std::uint8_t byte(const std::string& what) { return take(1, what)[0]; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_;
    const std::string& name_;
};

FoundSector readSector(Cursor& in, std::uint32_t id, std::uint32_t size, const std::string& what, const std::string& name)
{
    const std::uint8_t type = in.byte(what);
    if (type > kLastRecord)
        throw Error("\"" + name + "\" is damaged: " + what + " has a sector record of unknown type " +
                    std::to_string(type) + ".");
    FoundSector s{id, FoundState::Unreadable, {}};
    if (type == kUnavailable)
        return s;
    // Types 1..8 pair up: data / deleted / error / deleted with error, each in full or all one byte.
    const int kind = (type - 1) / 2;
    s.state = kind == 0 ? FoundState::Good : kind == 1 ? FoundState::Deleted : FoundState::DataError;
    if (type % 2 == 1) {
        const auto data = in.take(size, what);
        s.data.assign(data.begin(), data.end());
    } else {
        s.data.assign(size, in.byte(what));
    }
    return s;
}

std::string trackName(std::uint32_t cylinder, std::uint32_t head)
{
    return "the track at cylinder " + std::to_string(cylinder) + ", head " + std::to_string(head);
}

} // namespace

bool ImdFile::startsWithMagic(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

bool ImdFile::isImdName(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext == ".IMD";
}

std::vector<FoundTrack> ImdFile::readTracks(std::span<const std::uint8_t> bytes, std::size_t at, const std::string& name)
{
    Cursor in(bytes, at, name);
    std::vector<FoundTrack> tracks;
    while (!in.atEnd()) {
        const std::string header = "the header of track " + std::to_string(tracks.size() + 1);
        const auto fields = in.take(5, header);
        FoundTrack t;
        t.cylinder = fields[1];
        t.head = fields[2] & 0x0F;
        const std::string what = trackName(t.cylinder, t.head);
        if (fields[0] > kLastMode || fields[4] > kLastSizeCode)
            throw Error("\"" + name + "\" is damaged or holds sectors of mixed sizes: " + what +
                        " has mode " + std::to_string(fields[0]) + " and size code " + std::to_string(fields[4]) + ".");
        t.sectorBytes = 128u << fields[4];
        const std::uint8_t count = fields[3];
        const auto ids = in.take(count, what);
        in.take(((fields[2] & kHasCylinderMap) ? count : 0) + ((fields[2] & kHasHeadMap) ? count : 0), what);
        for (std::uint8_t i = 0; i < count; ++i)
            t.sectors.push_back(readSector(in, ids[i], t.sectorBytes, what, name));
        tracks.push_back(std::move(t));
    }
    return tracks;
}

DecodedImage ImdFile::decode(std::span<const std::uint8_t> bytes, const std::string& name)
{
    const auto end = std::find(bytes.begin(), bytes.end(), kCommentEnd);
    if (!startsWithMagic(bytes) || end == bytes.end())
        throw Error("\"" + name + "\" is no ImageDisk file: its header does not end.");
    DecodedImage image = TrackLayout::toImage(readTracks(bytes, static_cast<std::size_t>(end - bytes.begin()) + 1, name), name);
    image.description = comment(bytes);
    return image;
}

std::string ImdFile::comment(std::span<const std::uint8_t> bytes)
{
    const auto end = std::find(bytes.begin(), bytes.end(), kCommentEnd);
    const auto lineEnd = std::find(bytes.begin(), end, '\n');
    std::string text(lineEnd == end ? end : lineEnd + 1, end);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return TextCodec::cp1252ToUtf8(text);
}

std::string ImdFile::readComment(const std::filesystem::path& path)
{
    std::array<std::uint8_t, kMostCommentBytes> head{};
    try {
        return comment(std::span(head).first(BlockFile::openRead(path).read(head)));
    } catch (const Error&) {
        return {};
    }
}

std::vector<std::uint8_t> ImdFile::encode(const CVLMDoc& doc, std::string_view comment)
{
    const DriveGeometry& g = doc.geometry;
    const StandardFormat* format = formatKeeping(g);
    if (!format || doc.HeldInPart)
        throw Error("Only a whole 360 KB, 720 KB, 1.2 MB, 1.44 MB or 1.68 MB DMF diskette can be kept as an ImageDisk file.");
    std::array<char, 32> stamp{};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp.data(), stamp.size(), "%d/%m/%Y %H:%M:%S", &local);
    std::string text = TextCodec::utf8ToCp1252(comment);
    std::replace(text.begin(), text.end(), static_cast<char>(kCommentEnd), ' ');
    const std::string head = "IMD 1.18: " + std::string(stamp.data()) + "\r\n" + text;
    std::vector<std::uint8_t> out(head.begin(), head.end());
    out.push_back(kCommentEnd);
    const bool high = format->kind == MediumKind::HighDensity525 || format->kind == MediumKind::HighDensity35;
    const auto image = doc.image();
    for (int t = 0; t < format->tracks(); ++t) {
        const std::uint8_t fields[] = {high ? kModeHighDensity : kModeDoubleDensity, static_cast<std::uint8_t>(t / kHeads),
                                       static_cast<std::uint8_t>(t % kHeads), static_cast<std::uint8_t>(g.sectorsPerTrack),
                                       kSizeCode512};
        out.insert(out.end(), std::begin(fields), std::end(fields));
        for (std::uint32_t s = 1; s <= g.sectorsPerTrack; ++s)
            out.push_back(static_cast<std::uint8_t>(s));
        for (std::uint32_t s = 0; s < g.sectorsPerTrack; ++s) {
            const auto sector = image.subspan((std::size_t(t) * g.sectorsPerTrack + s) * kSectorBytes, kSectorBytes);
            if (UnreadableSector::holds(sector)) {
                out.push_back(kUnavailable);
            } else if (std::all_of(sector.begin(), sector.end(), [&](std::uint8_t b) { return b == sector[0]; })) {
                out.push_back(kFilled);
                out.push_back(sector[0]);
            } else {
                out.push_back(kData);
                out.insert(out.end(), sector.begin(), sector.end());
            }
        }
    }
    return out;
}

void ImdFile::save(const CVLMDoc& doc, const std::filesystem::path& path, std::string_view comment)
{
    const std::vector<std::uint8_t> bytes = encode(doc, comment);
    AtomicFile out(path);
    out.write(bytes);
    out.commit();
}

} // namespace vellum
