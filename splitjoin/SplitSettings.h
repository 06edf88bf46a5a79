#pragma once
// What the Split page holds: the file to split, the destination, the piece
// size chosen by radio button or "File Size:" entry, and the piece count.
// The page shows these values and calls these rules; it decides nothing.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

class Prompter;

enum SizeType : std::uint8_t {
    kSize144 = 1,
    kSize12 = 2,
    kSize720 = 3,
    kSize360 = 4,
    kSizeCustom = 5,
};

class SplitSettings {
public:
    static constexpr std::size_t kRadioCount = 4;
    // Payload of the four diskette sizes: an empty diskette's free space
    // less the header.
    static std::uint32_t PiecePayload(std::uint8_t sizeType);

    // "File Size:" entries offered under a radio button, largest first.
    static std::vector<std::string> sizeList(std::uint8_t sizeType);
    // The pieces a file of `size` bytes needs; 0 for an empty file.
    static std::uint64_t piecesFor(std::uint64_t size, std::uint32_t payload);
    // The source's file name without its last extension, then ".%.3i".
    static std::string pieceName(const std::string& source, unsigned number);

    // Radio button clicked: kSize144 .. kSize360.
    void chooseRadio(std::uint8_t sizeType);
    // "File Size:" entry chosen ("710K"): takes it as the custom size and
    // returns which radio buttons stay enabled, by type - 1; the page
    // unchecks and disables the others.
    std::array<bool, kRadioCount> chooseListEntry(std::string_view entry);
    // Payload of the size chosen now.
    std::uint32_t payload() const;
    bool canSplit() const { return !m_strSource.empty(); }

    // Rereads the source's size and the piece count; a file error is told.
    void recompute(Prompter& prompter);
    std::string sizeText() const { return std::to_string(fileSize); }
    std::string countText() const { return std::to_string(m_nPieces); }

    std::string m_strSource;
    std::string m_strDest;
    std::uint8_t m_nSizeType = kSize144;
    std::uint32_t m_nCustomSize = 0;
    std::uint32_t m_nPieces = 0;
    std::uint64_t fileSize = 0;
};

} // namespace vellum
