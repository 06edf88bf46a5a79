#include "core/VlmFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/Crc16.h"
#include "core/Error.h"
#include "core/Lzrw1Coder.h"
#include "core/MediaTable.h"
#include "core/PredictorCoder.h"
#include "core/Prompter.h"
#include "core/RunLengthCoder.h"
#include "core/StandardFormats.h"
#include "core/TextCodec.h"
#include "core/TrackPool.h"

namespace vellum {

namespace {

const std::string kCorrupted = "File may be corrupted! \nDo you wish to continue?";

enum BlockType : std::uint8_t { kStored = 0, kRunLength = 1, kPredictor = 2, kLzrw1 = 3 };

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openForReading(const std::filesystem::path& path)
{
    return File(std::fopen(path.c_str(), "rb"), &std::fclose);
}

// Reading past the end yields nothing; what is missing stays zero. False
// when the file ended before `into` was filled.
bool readUpTo(std::FILE* f, std::span<std::uint8_t> into)
{
    std::fill(into.begin(), into.end(), 0);
    return into.empty() || std::fread(into.data(), 1, into.size(), f) == into.size();
}

// Encodes one track by every coder and keeps the smallest result; on a tie
// the earlier coder wins. Each coder after the first gets only the room of
// the best result so far, so one that cannot win stops early.
class BlockEncoder {
public:
    // Writes the block, header and payload, to `block` and returns its size.
    std::size_t encode(std::span<const std::uint8_t> track, std::span<std::uint8_t> block)
    {
        type_ = kStored;
        payload_ = track;
        offer(kRunLength, rle_, rle_encode(track, std::span(rle_).first(track.size())));
        offer(kPredictor, predicted_, predictor_.predictor_encode(track, std::span(predicted_).first(payload_.size())));
        const std::size_t lzrw1Room = std::min(payload_.size() + kLzrw1Slack, lzrw1_.size());
        offer(kLzrw1, lzrw1_, lzrw1_encode(track, std::span(lzrw1_).first(lzrw1Room)));
        block[0] = type_;
        putLe16(block, 1, static_cast<std::uint16_t>(payload_.size()));
        putLe16(block, 3, crc16(track));
        std::ranges::copy(payload_, block.begin() + VlmFile::kBlockHeaderSize);
        return VlmFile::kBlockHeaderSize + payload_.size();
    }

private:
    void offer(BlockType type, std::span<const std::uint8_t> work, std::size_t size)
    {
        if (size < payload_.size()) {
            type_ = type;
            payload_ = work.first(size);
        }
    }

    std::array<std::uint8_t, VlmFile::kWorkBufferSize> rle_{};
    std::array<std::uint8_t, VlmFile::kWorkBufferSize> predicted_{};
    std::array<std::uint8_t, VlmFile::kWorkBufferSize> lzrw1_{};
    PredictorCoder predictor_;
    std::uint8_t type_ = kStored;
    std::span<const std::uint8_t> payload_;
};

// Writes every block of the image, coded on a few threads, in file order. A
// block is never longer than its header and the track stored as it is; the
// buffer is not cleared, as every byte written out was coded first.
void writeBlocks(AtomicFile& out, CVLMDoc& doc, int tracks)
{
    const std::size_t slot = VlmFile::kBlockHeaderSize + doc.geometry.trackBytes();
    const auto count = static_cast<std::size_t>(tracks);
    // An image with its block headers fits a store: one huge page to fault
    // in instead of some 400 small ones.
    static_assert(std::size_t{UINT8_MAX} * VlmFile::kBlockHeaderSize + kImageStoreSize <= CVLMDoc::kStoreBytes);
    const CVLMDoc::Store blocks = CVLMDoc::freshStore();
    if (!blocks)
        throw std::bad_alloc();
    std::vector<std::size_t> sizes(count);
    TrackPool::run(count, [&] {
        auto encoder = std::make_shared<BlockEncoder>();
        return [&, encoder](std::size_t t) {
            sizes[t] = encoder->encode(doc.track(static_cast<int>(t)), std::span(blocks.get() + t * slot, slot));
        };
    });
    // Close the gaps between the slots.
    std::size_t end = 0;
    for (std::size_t t = 0; t < count; ++t) {
        if (end != t * slot)
            std::memmove(blocks.get() + end, blocks.get() + t * slot, sizes[t]);
        end += sizes[t];
    }
    out.write(std::span(blocks.get(), end));
}

bool decodeBlock(std::uint8_t type, std::span<const std::uint8_t> payload, std::span<std::uint8_t> track,
                 PredictorCoder& predictor)
{
    switch (type) {
    case kStored:
        if (payload.size() > track.size())
            return false;
        std::copy(payload.begin(), payload.end(), track.begin());
        return true;
    case kRunLength: return rle_decode(payload, track);
    case kPredictor: return predictor.predictor_decode(payload, track);
    case kLzrw1: return lzrw1_decode(payload, track);
    default: return true; // an unknown type leaves the track as it was
    }
}

// A block as the file holds it.
struct StoredBlock {
    std::uint8_t type;
    std::uint16_t crc;
    std::span<const std::uint8_t> payload;
    bool whole; // the file did not end inside it
};

// The blocks of a file. Past its end a file reads as zeros, as it does when
// read block by block.
struct StoredBlocks {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::vector<StoredBlock> blocks; // up to the first one too long for the buffer
    std::size_t tooLong = 0;         // that one's payload length
};

StoredBlocks readBlocks(std::FILE* f, int count)
{
    constexpr std::size_t kMostPerBlock = VlmFile::kBlockHeaderSize + VlmFile::kWorkBufferSize;
    const std::size_t most = static_cast<std::size_t>(count) * kMostPerBlock;
    StoredBlocks stored;
    // Not cleared: only what the file filled, and the zeros past it, are read.
    stored.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(most + kMostPerBlock);
    const std::size_t size = std::fread(stored.bytes.get(), 1, most, f);
    std::fill_n(stored.bytes.get() + size, kMostPerBlock, std::uint8_t{0});
    const std::span<const std::uint8_t> bytes(stored.bytes.get(), size + kMostPerBlock);
    std::size_t at = 0;
    for (int t = 0; t < count; ++t) {
        const auto header = bytes.subspan(at, VlmFile::kBlockHeaderSize);
        const std::size_t length = le16(header, 1);
        if (length > VlmFile::kWorkBufferSize) {
            stored.tooLong = length;
            break;
        }
        const std::size_t end = at + VlmFile::kBlockHeaderSize + length;
        stored.blocks.push_back({header[0], le16(header, 3), bytes.subspan(at + VlmFile::kBlockHeaderSize, length),
                                 end <= size});
        at = std::min(end, size);
    }
    return stored;
}

// What decoding one block found.
struct Decoded {
    bool fits = false;
    bool crcMatches = false;
};

} // namespace

bool VlmFile::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Stop);
    return false;
}

bool VlmFile::checkSavable()
{
    const DriveGeometry& g = doc_.geometry;
    if (!doc_.hasImage())
        return refuse("There is no diskette image in memory to save.");
    if (g.MediaCode == kMediaCode288)
        return refuse("A 2.88 MB diskette does not fit in a Vellum file; its tracks of 18,432 bytes "
                      "exceed the 12,000-byte block buffer.");
    if (g.DmfOtherLayout)
        return refuse("This 21-sector diskette has FATs of " + std::to_string(g.sectorsPerFat) +
                      " sectors instead of 3, a layout a Vellum file cannot record. "
                      "Save it as a raw image (.img) instead.");
    if (doc_.TracksLoaded > UINT8_MAX)
        return refuse("The image holds " + std::to_string(doc_.TracksLoaded) +
                      " tracks; a Vellum file holds at most 255.");
    if (g.trackBytes() == 0 || g.trackBytes() > kWorkBufferSize)
        return refuse("Tracks of " + groupedNumber(g.trackBytes()) + " bytes do not fit the " + groupedNumber(kWorkBufferSize) +
                      "-byte block buffer of a Vellum file.");
    if (static_cast<std::size_t>(std::max(doc_.TracksLoaded, 0)) * g.trackBytes() > kImageStoreSize)
        return refuse("The image claims " + std::to_string(doc_.TracksLoaded) + " tracks, more than memory holds.");
    return true;
}

VlmHeader VlmFile::buildHeader(std::string_view description) const
{
    VlmHeader h;
    // What the file will hold: 60 characters, each one cp1252 byte.
    h.description =
        TextCodec::cp1252ToUtf8(TextCodec::utf8ToCp1252(description).substr(0, VlmHeader::kDescriptionLength));
    h.formatCode = formatCodeOf(doc_.geometry);
    h.blockCount = static_cast<std::uint8_t>(std::max(doc_.TracksLoaded, 0));
    std::copy(doc_.volumeLabel.begin(), doc_.volumeLabel.end(), h.volumeLabel.begin());
    h.mediaCode = doc_.geometry.MediaCode;
    return h;
}

bool VlmFile::save(const std::filesystem::path& path, std::string_view description)
{
    if (!checkSavable())
        return false;
    const VlmHeader header = buildHeader(description);
    try {
        AtomicFile out(path);
        out.write(header.serialize());
        writeBlocks(out, doc_, header.blockCount);
        out.commit();
    } catch (const Error& e) {
        return refuse(e.what());
    }
    header_ = header;
    return true;
}

bool VlmFile::askToContinue()
{
    return prompter_.ask(kCorrupted, Buttons::YesNo, Icon::Question) == Answer::Yes;
}

// The geometry the header gives, after checking that every block it
// announces fits the buffers and the image store.
bool VlmFile::acceptGeometry(const std::filesystem::path& path, DriveGeometry& accepted)
{
    if (header_.formatCode == kFormatCode288)
        return refuse("\"" + path.string() + "\" holds a 2.88 MB diskette, whose tracks of 18,432 bytes "
                      "exceed the 12,000-byte block buffer. The file cannot be opened.");
    const StandardFormat* format = formatByCode(header_.formatCode);
    const DriveGeometry geometry = format ? format->geometry() : doc_.geometry;
    const std::size_t trackBytes = geometry.trackBytes();
    if (trackBytes == 0 || trackBytes > kWorkBufferSize)
        return refuse("\"" + path.string() + "\" has the unknown format code " +
                      std::to_string(header_.formatCode) + "; the diskette's geometry cannot be told.");
    const std::size_t needed = trackBytes * header_.blockCount;
    if (needed > kImageStoreSize)
        return refuse("\"" + path.string() + "\" holds " + std::to_string(header_.blockCount) + " tracks of " +
                      groupedNumber(trackBytes) + " bytes (" + groupedNumber(needed) + " bytes), more than the " +
                      groupedNumber(kImageStoreSize) + "-byte image store.");
    // More blocks than the diskette has tracks would give an image of no diskette's size.
    const std::uint32_t diskTracks =
        geometry.sectorsPerTrack ? geometry.totalSectors / geometry.sectorsPerTrack : 0;
    if (diskTracks > 0 && header_.blockCount > diskTracks)
        return refuse("\"" + path.string() + "\" holds " + std::to_string(header_.blockCount) +
                      " tracks, more than the " + std::to_string(diskTracks) +
                      " tracks of its diskette. The file is damaged.");
    accepted = geometry;
    accepted.DmfLargeClusters = format && geometry.DmfLargeClusters;
    return true;
}

bool VlmFile::open(const std::filesystem::path& path)
{
    const File file = openForReading(path);
    if (!file)
        return refuse(fileErrorText("open", path));
    std::array<std::uint8_t, VlmHeader::kSize> raw{};
    readUpTo(file.get(), raw);
    header_ = VlmHeader::parse(raw);
    if (!header_.magicOk() && !askToContinue()) {
        declined_ = true;
        return false;
    }
    if (!doc_.hasImage())
        return refuse("Insufficient memory to read diskette!");
    DriveGeometry geometry;
    if (!acceptGeometry(path, geometry))
        return false;

    const StoredBlocks stored = readBlocks(file.get(), header_.blockCount);
    const std::vector<StoredBlock>& blocks = stored.blocks;
    // Decoded beside memory, which changes only once the file is taken whole;
    // a block of an unknown type leaves the bytes memory holds.
    const std::size_t trackBytes = geometry.trackBytes();
    const auto image = doc_.image();
    const auto held = image.first(trackBytes * header_.blockCount);
    std::vector<std::uint8_t> tracks(held.begin(), held.end());
    // Tracks are decoded on a few threads; what each found is judged in file
    // order, so the questions come as they would block by block.
    std::vector<Decoded> decoded(blocks.size());
    TrackPool::run(blocks.size(), [&] {
        auto predictor = std::make_shared<PredictorCoder>();
        return [&, predictor](std::size_t t) {
            const StoredBlock& block = blocks[t];
            const auto track = std::span(tracks).subspan(t * trackBytes, trackBytes);
            if (!block.whole)
                std::fill(track.begin(), track.end(), std::uint8_t{0});
            decoded[t].fits = decodeBlock(block.type, block.payload, track, *predictor);
            decoded[t].crcMatches = decoded[t].fits && crc16(track) == block.crc;
        };
    });
    // A file that ends early is damaged even where its zeros match their CRC
    // of 0; it is asked about once, and what is missing stays zero.
    bool cut = false;
    for (int t = 0; t < header_.blockCount; ++t) {
        const auto at = static_cast<std::size_t>(t);
        if (at == blocks.size())
            return refuse("Block " + std::to_string(t) + " of \"" + path.string() + "\" has a payload of " +
                          groupedNumber(stored.tooLong) + " bytes, more than the " +
                          groupedNumber(kWorkBufferSize) + "-byte block buffer. The file is damaged.");
        if (!decoded[at].fits)
            return refuse("Block " + std::to_string(t) + " of \"" + path.string() +
                          "\" does not decode into a track of " + groupedNumber(trackBytes) +
                          " bytes. The file is damaged.");
        const bool asked = cut;
        cut = cut || !blocks[at].whole;
        const bool damaged = cut ? !asked : !decoded[at].crcMatches;
        if (damaged && !askToContinue())
            return false;
    }
    std::ranges::copy(tracks, image.begin());
    doc_.setGeometry(geometry);
    if (const StandardFormat* format = formatByCode(header_.formatCode))
        doc_.MediaSizeKind = format->mediaSizeKind;
    doc_.TracksLoaded = header_.blockCount;
    doc_.HeldInPart = false;
    return true;
}

std::string VlmFile::readDescription(const std::filesystem::path& path)
{
    const File file = openForReading(path);
    if (!file)
        return {};
    std::array<std::uint8_t, VlmHeader::kSize> raw{};
    readUpTo(file.get(), raw);
    return VlmHeader::parse(raw).description;
}

} // namespace vellum
