#pragma once
// The FAT12 reader's working areas, owned by the document: the directory
// listed last, the cluster chain being followed and the directory stack.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vellum {

inline constexpr std::size_t kDirEntrySize = 32;
inline constexpr std::size_t kDirectoryCopyEntries = 768;
inline constexpr std::size_t kDirectoryCopyBytes = kDirectoryCopyEntries * kDirEntrySize;
inline constexpr std::size_t kChainWords = 2880;
inline constexpr std::size_t kDirectoryLevels = 8;

// One listed directory entry as the file list receives it.
struct ListingRecord {
    std::uint32_t attributes = 0;
    std::uint64_t lastWriteTime = 0; // UTC, 100 ns units since 1601-01-01
    std::uint32_t size = 0;
    std::string longName;  // UTF-8
    std::string shortName; // 8.3 name as its directory bytes (code page 850)
    std::size_t slot = 0;  // the index of its short entry in the directory copy
};

struct DirectoryArea {
    std::array<std::uint8_t, kDirectoryCopyBytes> copy{};
    int entryCount = 0;
    int endOffset = 0;
    int foundOffset = 0;
    // Word 0 is the first cluster of what is followed; 0 there means the root.
    std::array<std::uint16_t, kChainWords> chain{};
    // Image offsets of the first cluster of each open subdirectory level.
    std::array<std::size_t, kDirectoryLevels> stack{};
    int depth = 0;
    bool volumeLabelFound = false;
    std::size_t volumeLabelEntry = 0; // image offset of the label entry
    std::size_t currentDirectory = 0; // image offset of the directory read last
    // Where the directory copy came from: the image offset of each piece
    // (the root area, or each cluster of a subdirectory), each pieceBytes long.
    std::vector<std::size_t> copiedFrom;
    std::size_t pieceBytes = 0;
    std::vector<ListingRecord> listing;
};

} // namespace vellum
