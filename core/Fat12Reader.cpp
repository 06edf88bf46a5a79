#include "core/Fat12Reader.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/Prompter.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

const std::string kNotFound = "Could not find file";

using namespace dirent;

constexpr std::uint8_t kLongNameAttributes = kLongName;
// Read-only, hidden, system, directory, archive and the "normal" bit.
constexpr std::uint8_t kListedBits = kReadOnly | kHidden | kSystem | kDirectory | kArchive | kNormal;
// Five bits: a 255-character name takes 20 entries.
constexpr std::uint8_t kRunLengthMask = 0x1F;

// UTF-16 code units of a long-name entry: 5 at 1, 6 at 14, 2 at 28.
constexpr std::pair<std::size_t, std::size_t> kLongNamePieces[] = {{1, 5}, {14, 6}, {28, 2}};

constexpr std::uint32_t kFirstCluster = 2;
constexpr std::uint32_t kNoCluster = kFirstCluster - 1;
constexpr std::uint16_t kEndOfChain = 0xFF8;
constexpr std::uint32_t kHighestFat12Cluster = 0xFF6; // 0xFF7 marks a bad cluster

constexpr std::string_view kDotName = ".       ";

std::span<const std::uint8_t> slot(std::span<const std::uint8_t> dir, std::size_t index)
{
    return dir.subspan(index * kDirEntrySize, kDirEntrySize);
}

std::string padded(std::string_view text, std::size_t width)
{
    std::string out(text);
    out.resize(width, ' ');
    return out;
}

// The 11-byte directory form of a name as the file list shows it; empty
// when the name cannot be one, so it never matches a truncated neighbour.
std::optional<std::string> directoryForm(std::string_view name)
{
    const std::string_view trimmed = name.substr(0, name.find_last_not_of(' ') + 1);
    if (trimmed == "." || trimmed == "..")
        return padded(trimmed, kShortNameBytes);
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos)
        return name.size() <= kShortNameBytes ? std::optional(padded(name, kShortNameBytes)) : std::nullopt;
    if (dot == 0)
        return name.size() == kShortNameBytes ? std::optional(std::string(name)) : std::nullopt;
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension = name.substr(dot + 1);
    if (base.size() > kNameBytes || extension.size() > kExtensionBytes)
        return std::nullopt;
    return padded(base, kNameBytes) + padded(extension, kExtensionBytes);
}

std::string loopWarning(std::uint32_t cluster, std::size_t length)
{
    return "The cluster chain runs back into cluster " + std::to_string(cluster) + " after " +
           std::to_string(length) + " clusters; it stops there. Check the diskette for errors.";
}

std::string chainTableWarning()
{
    return "The cluster chain is longer than the " + std::to_string(kChainWords) +
           "-cluster table; it stops there. Check the diskette for errors.";
}

std::string directorySizeWarning()
{
    return "The directory holds more than " + std::to_string(kDirectoryCopyEntries) +
           " entries; only the first " + std::to_string(kDirectoryCopyEntries) + " are listed.";
}

std::string depthWarning()
{
    return "Directories nest deeper than " + std::to_string(kDirectoryLevels) +
           " levels here; the one below level " + std::to_string(kDirectoryLevels) + " cannot be opened.";
}

std::string unloadedRootWarning(std::size_t loaded)
{
    return "The root directory reaches beyond the " + std::to_string(loaded) +
           " bytes of loaded tracks; only the part loaded is listed.";
}

} // namespace

Fat12Reader::Fat12Reader(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

std::size_t Fat12Reader::clusterBytes() const
{
    return std::size_t{doc_.geometry.sectorsPerCluster} * doc_.geometry.bytesPerSector;
}

// Only the tracks of the diskette in memory; beyond them lies stale data.
std::size_t Fat12Reader::readableBytes() const
{
    return doc_.loadedBytes();
}

// The least of what the volume's sectors, the loaded tracks and FAT 1 can
// hold; below kFirstCluster when they hold no cluster at all.
std::uint32_t Fat12Reader::lastCluster() const
{
    const DriveGeometry& g = doc_.geometry;
    const std::size_t bpc = clusterBytes();
    const std::size_t readable = readableBytes();
    const std::size_t dataArea = doc_.areas.dataArea;
    if (bpc == 0 || readable <= dataArea || readable <= doc_.areas.fat1)
        return kNoCluster;
    const std::size_t fatBytes = std::min(std::size_t{g.sectorsPerFat} * g.bytesPerSector, readable - doc_.areas.fat1);
    const std::size_t fatEntries = fatBytes * 2 / 3; // 12 bits each
    if (fatEntries <= kFirstCluster)
        return kNoCluster;
    const std::size_t volumeBytes = std::size_t{g.totalSectors} * g.bytesPerSector;
    const std::size_t volumeClusters = volumeBytes > dataArea ? (volumeBytes - dataArea) / bpc : 0;
    const std::size_t loadedClusters = (readable - dataArea) / bpc;
    return static_cast<std::uint32_t>(std::min({volumeClusters + 1, loadedClusters + 1, fatEntries - 1,
                                                std::size_t{kHighestFat12Cluster}}));
}

std::span<std::uint8_t> Fat12Reader::clusterData(std::uint32_t cluster)
{
    if (cluster < kFirstCluster || cluster > lastCluster())
        return {};
    const std::size_t bpc = clusterBytes();
    return doc_.image().subspan(doc_.areas.dataArea + (cluster - kFirstCluster) * bpc, bpc);
}

std::optional<std::size_t> Fat12Reader::entryAddress(std::size_t copyOffset) const
{
    const DirectoryArea& dir = doc_.directory;
    if (dir.pieceBytes == 0 || copyOffset >= kDirectoryCopyBytes)
        return std::nullopt;
    const std::size_t piece = copyOffset / dir.pieceBytes;
    if (piece >= dir.copiedFrom.size())
        return std::nullopt;
    return dir.copiedFrom[piece] + copyOffset % dir.pieceBytes;
}

std::uint16_t Fat12Reader::fatEntry(std::uint32_t cluster) const
{
    const std::uint16_t word = le16(doc_.image(), doc_.areas.fat1 + cluster * 3 / 2);
    return static_cast<std::uint16_t>(cluster % 2 == 0 ? word & 0x0FFF : word >> 4);
}

void Fat12Reader::setFatEntry(std::uint32_t cluster, std::uint16_t value)
{
    const std::size_t at = doc_.areas.fat1 + cluster * 3 / 2;
    const std::uint16_t word = le16(doc_.image(), at);
    const auto v = static_cast<std::uint16_t>(value & 0x0FFF);
    putLe16(doc_.image(), at,
            static_cast<std::uint16_t>(cluster % 2 == 0 ? (word & 0xF000) | v : (word & 0x000F) | (v << 4)));
}

void Fat12Reader::mirrorFat(std::uint32_t lowest, std::uint32_t highest)
{
    if (doc_.geometry.numberOfFats < 2)
        return;
    const std::size_t from = lowest * 3 / 2;
    const std::size_t to = highest * 3 / 2 + 2;
    if (doc_.areas.fat2 + to > readableBytes())
        return;
    const auto image = doc_.image();
    std::copy(image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat1 + from),
              image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat1 + to),
              image.begin() + static_cast<std::ptrdiff_t>(doc_.areas.fat2 + from));
}

std::string Fat12Reader::outsideVolume(std::uint32_t cluster) const
{
    // A sound volume too large for memory ends early there, not in damage.
    const DriveGeometry& g = doc_.geometry;
    const std::size_t volumeBytes = std::size_t{g.totalSectors} * g.bytesPerSector;
    const std::size_t clusterEnd = doc_.areas.dataArea + (std::size_t{cluster} - kFirstCluster + 1) * clusterBytes();
    if (doc_.HeldInPart && cluster >= kFirstCluster && cluster > lastCluster() && clusterEnd <= volumeBytes)
        return "Cluster " + std::to_string(cluster) + " lies beyond the tracks of this diskette held in memory; "
               "the chain stops before it.";
    return "Cluster " + std::to_string(cluster) + " lies outside this volume's clusters " +
           std::to_string(kFirstCluster) + " to " + std::to_string(lastCluster()) +
           "; the chain stops before it. Check the diskette for errors.";
}

// Why the chain cannot go on to `next`, if it cannot.
std::optional<std::string> Fat12Reader::chainBreak(std::uint16_t next, const std::vector<bool>& seen,
                                                   std::size_t length) const
{
    if (next < kFirstCluster || next >= seen.size())
        return outsideVolume(next);
    if (seen[next])
        return loopWarning(next, length);
    if (length == kChainWords)
        return chainTableWarning();
    return std::nullopt;
}

Fat12Reader::Outcome Fat12Reader::BuildChain(std::uint16_t firstCluster, bool freeClusters)
{
    auto& chain = doc_.directory.chain;
    chain.fill(0);
    chain[0] = firstCluster;
    if (firstCluster == 0) // an empty file, or the root
        return {};
    const std::uint32_t last = lastCluster();
    if (firstCluster < kFirstCluster || firstCluster > last)
        return {outsideVolume(firstCluster)};

    std::vector<bool> seen(last + 1);
    seen[firstCluster] = true;
    std::uint32_t cluster = firstCluster;
    std::uint32_t lowest = cluster;
    std::uint32_t highest = cluster;
    std::size_t length = 1;
    Outcome outcome;
    for (;;) {
        const std::uint16_t next = fatEntry(cluster);
        if (freeClusters) {
            setFatEntry(cluster, 0);
            lowest = std::min(lowest, cluster);
            highest = std::max(highest, cluster);
        }
        if (next >= kEndOfChain)
            break;
        if (auto broken = chainBreak(next, seen, length)) {
            outcome.warning = std::move(*broken);
            break;
        }
        seen[next] = true;
        chain[length++] = next;
        cluster = next;
    }
    if (freeClusters)
        mirrorFat(lowest, highest);
    return outcome;
}

Fat12Reader::Outcome Fat12Reader::ReadDirectory(std::uint32_t bytesPerSector)
{
    if (bytesPerSector != 0 && bytesPerSector != doc_.geometry.bytesPerSector) {
        DriveGeometry g = doc_.geometry;
        g.bytesPerSector = bytesPerSector;
        g.bytesPerCluster = g.sectorsPerCluster * bytesPerSector;
        doc_.setGeometry(g);
    }
    DirectoryArea& dir = doc_.directory;
    const bool isRoot = dir.chain[0] == 0;
    if (!isRoot && (dir.depth < 0 || dir.depth >= static_cast<int>(kDirectoryLevels)))
        return {depthWarning()};

    dir.copy.fill(0);
    const Outcome outcome = copyDirectory(dir.copy);
    countEntries(dir.copy);
    // The root read alone says whether the image has a label and where.
    if (isRoot) {
        doc_.setVolumeLabel("");
        dir.volumeLabelFound = false;
        dir.volumeLabelEntry = 0;
    }
    dir.listing.clear();
    listEntries(dir.copy, isRoot);
    return outcome;
}

Fat12Reader::Outcome Fat12Reader::copyDirectory(std::span<std::uint8_t> buffer)
{
    DirectoryArea& dir = doc_.directory;
    dir.copiedFrom.clear();
    dir.pieceBytes = 0;
    const Outcome outcome = dir.chain[0] == 0 ? copyRoot(buffer) : copySubdirectory(buffer);
    dir.currentDirectory = dir.copiedFrom.empty() ? 0 : dir.copiedFrom.front();
    return outcome;
}

Fat12Reader::Outcome Fat12Reader::copyRoot(std::span<std::uint8_t> buffer)
{
    DirectoryArea& dir = doc_.directory;
    const std::size_t start = doc_.areas.rootDirectory;
    const std::size_t rootBytes = std::size_t{doc_.geometry.rootEntries} * kDirEntrySize;
    const std::size_t wanted = std::min(rootBytes, buffer.size());
    const std::size_t readable = readableBytes();
    const std::size_t available = readable > start ? readable - start : 0;
    const std::size_t taken = std::min(wanted, available);
    if (taken > 0) {
        std::copy_n(doc_.image().begin() + static_cast<std::ptrdiff_t>(start), taken, buffer.begin());
        dir.copiedFrom.push_back(start);
        dir.pieceBytes = taken;
    }
    if (taken < wanted)
        return {unloadedRootWarning(readable)};
    if (rootBytes > buffer.size())
        return {directorySizeWarning()};
    return {};
}

Fat12Reader::Outcome Fat12Reader::copySubdirectory(std::span<std::uint8_t> buffer)
{
    DirectoryArea& dir = doc_.directory;
    const auto image = doc_.image();
    dir.pieceBytes = clusterBytes();
    std::size_t done = 0;
    for (const std::uint16_t cluster : dir.chain) {
        if (cluster == 0)
            break;
        if (done == buffer.size())
            return {directorySizeWarning()};
        const auto data = clusterData(cluster);
        if (data.empty())
            return {outsideVolume(cluster)};
        const auto offset = static_cast<std::size_t>(data.data() - image.data());
        if (dir.copiedFrom.empty())
            dir.stack[static_cast<std::size_t>(dir.depth)] = offset;
        dir.copiedFrom.push_back(offset);
        const std::size_t n = std::min(data.size(), buffer.size() - done);
        std::copy_n(data.begin(), n, buffer.begin() + static_cast<std::ptrdiff_t>(done));
        done += n;
    }
    return {};
}

void Fat12Reader::countEntries(std::span<const std::uint8_t> buffer)
{
    DirectoryArea& dir = doc_.directory;
    std::size_t count = 0;
    while (count < kDirectoryCopyEntries && slot(buffer, count)[0] != kEndOfDirectory)
        ++count;
    dir.entryCount = static_cast<int>(count);
    dir.endOffset = static_cast<int>(count * kDirEntrySize);
}

void Fat12Reader::listEntries(std::span<const std::uint8_t> buffer, bool isRoot)
{
    const auto count = static_cast<std::size_t>(doc_.directory.entryCount);
    std::size_t i = 0;
    while (i < count) {
        const auto entry = slot(buffer, i);
        const std::uint8_t attributes = entry[kAttributeOffset];
        if (entry[0] == kDeleted) {
            ++i;
        } else if (attributes == kLongNameAttributes) {
            i = listLongNameRun(buffer, i, isRoot);
        } else {
            if (attributes & kVolumeLabel)
                takeVolumeLabel(entry, i, isRoot);
            else if ((attributes == 0 || (attributes & kListedBits)) &&
                     !std::equal(kDotName.begin(), kDotName.end(), entry.begin()))
                addListing(entry, TextCodec::shortNameToUtf8(FormatShortName(entry)));
            ++i;
        }
    }
}

// A run of long-name entries, stored last piece first, then its short entry.
// A run without a live short entry after it is an orphan and lists nothing.
std::size_t Fat12Reader::listLongNameRun(std::span<const std::uint8_t> buffer, std::size_t index, bool isRoot)
{
    const std::size_t runLength = slot(buffer, index)[0] & kRunLengthMask;
    const std::size_t shortIndex = index + runLength;
    if (runLength == 0)
        return index + 1;
    if (shortIndex >= static_cast<std::size_t>(doc_.directory.entryCount))
        return shortIndex;
    const auto shortEntry = slot(buffer, shortIndex);
    if (shortEntry[0] == kDeleted || shortEntry[kAttributeOffset] == kLongNameAttributes)
        return shortIndex;
    if (shortEntry[kAttributeOffset] & kVolumeLabel) {
        takeVolumeLabel(shortEntry, shortIndex, isRoot);
        return shortIndex + 1;
    }
    std::vector<std::uint16_t> units;
    for (std::size_t k = runLength; k-- > 0;) {
        const auto piece = slot(buffer, index + k);
        for (const auto& [offset, count] : kLongNamePieces)
            for (std::size_t u = 0; u < count; ++u)
                units.push_back(le16(piece, offset + 2 * u));
    }
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    addListing(shortEntry, TextCodec::utf16ToUtf8(units));
    return shortIndex + 1;
}

// Only the root carries the volume's label; a label entry elsewhere is
// skipped so that reading a subdirectory leaves the label alone.
void Fat12Reader::takeVolumeLabel(std::span<const std::uint8_t> entry, std::size_t index, bool isRoot)
{
    if (!isRoot)
        return;
    DirectoryArea& dir = doc_.directory;
    doc_.setVolumeLabel(std::string_view(reinterpret_cast<const char*>(entry.data()), kShortNameBytes));
    dir.volumeLabelEntry = entryAddress(index * kDirEntrySize).value_or(0);
    dir.volumeLabelFound = true;
}

void Fat12Reader::addListing(std::span<const std::uint8_t> entry, std::string longName)
{
    ListingRecord r;
    r.attributes = entry[kAttributeOffset];
    r.lastWriteTime = DosTime::toFileTime(le16(entry, kDateOffset), le16(entry, kTimeOffset));
    r.size = le32(entry, kSizeOffset);
    r.longName = std::move(longName);
    r.shortName = FormatShortName(entry);
    doc_.directory.listing.push_back(std::move(r));
}

std::string Fat12Reader::FormatShortName(std::span<const std::uint8_t> entry)
{
    if (entry.size() < kShortNameBytes)
        return {};
    std::string name(entry.begin(), entry.begin() + kNameBytes);
    if (entry[kNameBytes] != ' ') {
        name.resize(std::min(name.find(' '), kNameBytes));
        name += '.';
        name.append(entry.begin() + kNameBytes, entry.begin() + kShortNameBytes);
    }
    return name;
}

std::optional<std::size_t> Fat12Reader::findSlot(std::string_view name) const
{
    const auto form = directoryForm(name);
    if (!form)
        return std::nullopt;
    const DirectoryArea& dir = doc_.directory;
    for (std::size_t i = 0; i < static_cast<std::size_t>(dir.entryCount); ++i) {
        const auto entry = slot(dir.copy, i);
        if (entry[0] == kDeleted || (entry[kAttributeOffset] & kVolumeLabel))
            continue;
        if (std::equal(form->begin(), form->end(), entry.begin(),
                       [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            return i;
    }
    return std::nullopt;
}

std::optional<Fat12Reader::Found> Fat12Reader::FindEntry(std::string_view name)
{
    DirectoryArea& dir = doc_.directory;
    dir.chain.fill(0);
    const auto index = findSlot(name);
    if (!index) {
        prompter_.tell(kNotFound, Icon::Stop);
        return std::nullopt;
    }
    dir.foundOffset = static_cast<int>(*index * kDirEntrySize);
    const auto entry = slot(dir.copy, *index);
    Found found;
    found.size = le32(entry, kSizeOffset);
    found.chain = BuildChain(le16(entry, kFirstClusterOffset));
    return found;
}

Fat12Reader::Outcome Fat12Reader::enterDirectory(std::string_view shortName)
{
    DirectoryArea& dir = doc_.directory;
    if (dir.depth < 0 || dir.depth >= static_cast<int>(kDirectoryLevels))
        return {depthWarning()};
    const auto found = FindEntry(shortName);
    if (!found)
        return {};
    // Cluster 0 stands for the root: read, it would be taken for this folder,
    // and what is written into "this folder" would land in the root.
    if (dir.chain[0] == 0)
        return {noClusterWarning(shortName)};
    const Outcome read = ReadDirectory();
    ++dir.depth;
    return found->chain.whole() ? read : found->chain;
}

std::string Fat12Reader::noClusterWarning(std::string_view shortName)
{
    const std::string name(shortName.substr(0, shortName.find_last_not_of(' ') + 1));
    return "The folder \"" + name + "\" has no cluster of its own; it cannot be opened. Check the diskette for errors.";
}

Fat12Reader::Outcome Fat12Reader::leaveDirectory()
{
    DirectoryArea& dir = doc_.directory;
    if (dir.depth <= 0)
        return {};
    --dir.depth;
    const auto found = FindEntry("..");
    // A parent of cluster 0 is the root, whatever depth was counted.
    if (!found || dir.chain[0] == 0)
        dir.depth = 0;
    const Outcome read = ReadDirectory();
    dir.stack[static_cast<std::size_t>(dir.depth)] = 0;
    return found && !found->chain.whole() ? found->chain : read;
}

} // namespace vellum
