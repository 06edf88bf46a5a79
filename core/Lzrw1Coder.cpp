#include "core/Lzrw1Coder.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/Bytes.h"

namespace vellum {

namespace {

constexpr std::size_t kFlagBytes = 4;
constexpr std::uint8_t kFlagCompressed = 0;
constexpr std::uint8_t kFlagCopied = 1;
constexpr std::size_t kControlBytes = 2;
constexpr std::size_t kItemsPerGroup = 16;
constexpr std::size_t kCopyItemBytes = 2;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 16; // also the literal-only tail of a track
constexpr std::size_t kMaxOffset = 4095;
constexpr std::size_t kHashEntries = 4096;
constexpr std::uint32_t kHashMultiplier = 40543;
// Far enough from the end for a whole group of the longest copies.
constexpr std::size_t kWholeGroupZone = kItemsPerGroup * kMaxMatch;
// The most one step can add: a group of copy items and the next control word.
constexpr std::size_t kMaxStepOutput = kItemsPerGroup * kCopyItemBytes + kControlBytes;
static_assert(kLzrw1Slack == kMaxStepOutput + kControlBytes);
constexpr std::size_t kAbsent = std::numeric_limits<std::size_t>::max();

class Lzrw1Encoder {
public:
    Lzrw1Encoder(std::span<const std::uint8_t> src, std::span<std::uint8_t> work)
        : src_(src), work_(work)
    {
        hash_.fill(kAbsent);
    }

    std::size_t run()
    {
        for (;;) {
            // Bounds are checked once per step; a step then runs unchecked.
            if (out_ > src_.size() || out_ + kMaxStepOutput > work_.size())
                return copyOver();
            const std::size_t left = src_.size() - in_;
            if (left == 0)
                return finish();
            if (left < kMaxMatch)
                literal();
            else if (left < kWholeGroupZone)
                probe();
            else
                for (std::size_t i = 0; i < kItemsPerGroup; ++i)
                    probe();
            closeFullGroup();
        }
    }

private:
    std::size_t hashAt(std::size_t pos) const
    {
        const std::uint32_t b0 = src_[pos], b1 = src_[pos + 1], b2 = src_[pos + 2];
        return ((kHashMultiplier * ((((b0 << 4) ^ b1) << 4) ^ b2)) >> 4) & (kHashEntries - 1);
    }

    std::size_t matchLength(std::size_t earlier) const
    {
        std::size_t n = 0;
        while (n < kMaxMatch && src_[earlier + n] == src_[in_ + n])
            ++n;
        return n;
    }

    // One item where at least kMaxMatch bytes are left: a copy when the hash
    // entry is a usable earlier position whose first three bytes match.
    void probe()
    {
        const std::size_t index = hashAt(in_);
        const std::size_t earlier = hash_[index];
        hash_[index] = in_;
        const bool reachable = earlier != kAbsent && in_ - earlier <= kMaxOffset;
        const std::size_t length = reachable ? matchLength(earlier) : 0;
        if (length >= kMinMatch)
            copy(in_ - earlier, length);
        else
            literal();
    }

    void literal()
    {
        work_[out_++] = src_[in_++];
        ++items_;
    }

    void copy(std::size_t offset, std::size_t length)
    {
        work_[out_++] = static_cast<std::uint8_t>(((offset >> 4) & 0xF0) + (length - 1));
        work_[out_++] = static_cast<std::uint8_t>(offset & 0xFF);
        control_ = static_cast<std::uint16_t>(control_ | (1u << items_));
        ++items_;
        in_ += length;
    }

    void closeFullGroup()
    {
        if (items_ < kItemsPerGroup)
            return;
        putLe16(work_, controlAt_, control_);
        controlAt_ = out_;
        out_ += kControlBytes;
        control_ = 0;
        items_ = 0;
    }

    void writeFlag(std::uint8_t flag)
    {
        std::fill_n(work_.begin(), kFlagBytes, 0);
        work_[0] = flag;
    }

    std::size_t finish()
    {
        if (items_ == 0)
            out_ -= kControlBytes; // reserved, but no item followed
        else
            putLe16(work_, controlAt_, control_);
        writeFlag(kFlagCompressed);
        return out_;
    }

    std::size_t copyOver()
    {
        const std::size_t copied = src_.size() + kFlagBytes;
        if (copied > work_.size())
            return copied;
        writeFlag(kFlagCopied);
        std::ranges::copy(src_, work_.begin() + kFlagBytes);
        return copied;
    }

    std::span<const std::uint8_t> src_;
    std::span<std::uint8_t> work_;
    std::array<std::size_t, kHashEntries> hash_;
    std::size_t in_ = 0;
    std::size_t controlAt_ = kFlagBytes;
    std::size_t out_ = kFlagBytes + kControlBytes;
    std::uint16_t control_ = 0;
    std::size_t items_ = 0; // items under the current control word
};

class Lzrw1Decoder {
public:
    Lzrw1Decoder(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest)
        : payload_(payload), dest_(dest)
    {
    }

    bool run()
    {
        while (in_ < payload_.size()) {
            if (itemsLeft_ == 0 && !readControl())
                return false;
            const bool isCopy = (control_ & 1) != 0;
            if (!(isCopy ? copy() : literal()))
                return false;
            control_ = static_cast<std::uint16_t>(control_ >> 1);
            --itemsLeft_;
        }
        return true;
    }

private:
    bool available(std::size_t bytes) const { return bytes <= payload_.size() - in_; }

    bool readControl()
    {
        if (!available(kControlBytes))
            return false;
        control_ = le16(payload_, in_);
        in_ += kControlBytes;
        itemsLeft_ = kItemsPerGroup;
        return true;
    }

    bool literal()
    {
        if (!available(1) || out_ == dest_.size())
            return false;
        dest_[out_++] = payload_[in_++];
        return true;
    }

    bool copy()
    {
        if (!available(kCopyItemBytes))
            return false;
        const std::size_t offset = ((payload_[in_] & 0xF0u) << 4) | payload_[in_ + 1];
        const std::size_t length = (payload_[in_] & 0x0Fu) + 1;
        in_ += kCopyItemBytes;
        if (offset == 0 || offset > out_ || length > dest_.size() - out_)
            return false;
        // Byte by byte: an overlapping copy repeats what it has just written.
        for (std::size_t i = 0; i < length; ++i, ++out_)
            dest_[out_] = dest_[out_ - offset];
        return true;
    }

    std::span<const std::uint8_t> payload_;
    std::span<std::uint8_t> dest_;
    std::size_t in_ = kFlagBytes;
    std::size_t out_ = 0;
    std::uint16_t control_ = 0;
    std::size_t itemsLeft_ = 0;
};

} // namespace

std::size_t lzrw1_encode(std::span<const std::uint8_t> src, std::span<std::uint8_t> work)
{
    return Lzrw1Encoder(src, work).run();
}

bool lzrw1_decode(std::span<const std::uint8_t> payload, std::span<std::uint8_t> dest)
{
    if (payload.size() < kFlagBytes)
        return false;
    if (payload[0] != kFlagCopied)
        return Lzrw1Decoder(payload, dest).run();
    const auto body = payload.subspan(kFlagBytes);
    if (body.size() > dest.size())
        return false;
    std::ranges::copy(body, dest.begin());
    return true;
}

} // namespace vellum
