#include "splitjoin/SplitSettings.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "core/Error.h"
#include "core/Prompter.h"
#include "splitjoin/SplitHeader.h"

namespace vellum {

namespace {

constexpr std::uint32_t kKilobyte = 1024;
constexpr unsigned kListStepK = 100;
constexpr unsigned kListBottomK = 110;

struct SizeRow {
    std::uint32_t emptyDisketteFree;
    unsigned listTopK;
};

// By size type 1..4.
constexpr std::array<SizeRow, SplitSettings::kRadioCount> kSizes = {{
    {1'457'664, 1410},
    {1'213'952, 1210},
    {730'112, 710},
    {362'496, 310},
}};

bool isRadio(std::uint8_t sizeType)
{
    return sizeType >= kSize144 && sizeType <= kSize360;
}

} // namespace

std::uint32_t SplitSettings::PiecePayload(std::uint8_t sizeType)
{
    if (!isRadio(sizeType))
        throw Error("Piece size type " + std::to_string(sizeType) + " is not one of the diskette sizes 1 to 4.");
    return kSizes[sizeType - 1].emptyDisketteFree - SplitHeader::kSize;
}

std::vector<std::string> SplitSettings::sizeList(std::uint8_t sizeType)
{
    std::vector<std::string> entries;
    if (!isRadio(sizeType))
        return entries;
    for (unsigned k = kSizes[sizeType - 1].listTopK; k >= kListBottomK; k -= kListStepK)
        entries.push_back(std::to_string(k) + "K");
    return entries;
}

std::uint64_t SplitSettings::piecesFor(std::uint64_t size, std::uint32_t payload)
{
    return (size + payload - 1) / payload;
}

std::string SplitSettings::pieceName(const std::string& source, unsigned number)
{
    char extension[8];
    std::snprintf(extension, sizeof extension, ".%.3u", number);
    // stem() is the file name's, without its last extension; folders never count.
    return std::filesystem::path(source).stem().string() + extension;
}

void SplitSettings::chooseRadio(std::uint8_t sizeType)
{
    if (isRadio(sizeType))
        m_nSizeType = sizeType;
}

std::array<bool, SplitSettings::kRadioCount> SplitSettings::chooseListEntry(std::string_view entry)
{
    std::uint32_t kilobytes = 0;
    std::from_chars(entry.data(), entry.data() + entry.size(), kilobytes);
    const std::uint64_t size = std::uint64_t{kilobytes} * kKilobyte;
    // 1.44M stays enabled: no entry exceeds its payload.
    std::array<bool, kRadioCount> enabled{true, true, true, true};
    for (std::uint8_t type = kSize12; type <= kSize360; ++type)
        enabled[type - 1] = size <= PiecePayload(type);
    if (size > 0 && size <= PiecePayload(kSize144)) {
        m_nCustomSize = static_cast<std::uint32_t>(size);
        m_nSizeType = kSizeCustom;
    }
    return enabled;
}

std::uint32_t SplitSettings::payload() const
{
    if (m_nSizeType != kSizeCustom)
        return PiecePayload(m_nSizeType);
    if (m_nCustomSize == 0)
        throw Error("The custom piece size is 0 bytes; choose an entry of the \"File Size:\" list.");
    return m_nCustomSize;
}

void SplitSettings::recompute(Prompter& prompter)
{
    if (m_strSource.empty())
        return;
    std::error_code ec;
    fileSize = std::filesystem::file_size(m_strSource, ec);
    if (ec) {
        fileSize = 0;
        prompter.tell("Cannot read the size of \"" + m_strSource + "\": " + ec.message() + ".", Icon::Exclamation);
    }
    m_nPieces = static_cast<std::uint32_t>(piecesFor(fileSize, payload()));
}

} // namespace vellum
