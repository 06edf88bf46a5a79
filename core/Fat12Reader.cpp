#include "core/Fat12Reader.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/LongName.h"
#include "core/Prompter.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

const std::string kNotFound = "Could not find file";

using namespace dirent;

// Read-only, hidden, system, directory, archive and the "normal" bit.
constexpr std::uint8_t kListedBits = kReadOnly | kHidden | kSystem | kDirectory | kArchive | kNormal;
// Windows NT keeps a name in lower case in these bits of byte 12.
constexpr std::size_t kCaseFlagsOffset = 12;
constexpr std::uint8_t kLowerCaseBase = 0x08;
constexpr std::uint8_t kLowerCaseExtension = 0x10;

constexpr std::uint32_t kFirstCluster = FatTable::kFirstCluster;

constexpr std::string_view kDotName = ".       ";

std::span<const std::uint8_t> slot(std::span<const std::uint8_t> dir, std::size_t index)
{
    return dir.subspan(index * kDirEntrySize, kDirEntrySize);
}

std::string trimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// The 8.3 name as mdir shows it: in lower case where the case bits say so.
std::string displayName(std::span<const std::uint8_t> entry)
{
    std::array<std::uint8_t, kShortNameBytes> name;
    std::copy_n(entry.begin(), kShortNameBytes, name.begin());
    const auto lower = [&](std::size_t from, std::size_t to, std::uint8_t flag) {
        if (entry[kCaseFlagsOffset] & flag)
            for (std::size_t i = from; i < to; ++i)
                if (name[i] >= 'A' && name[i] <= 'Z')
                    name[i] = static_cast<std::uint8_t>(name[i] - 'A' + 'a');
    };
    lower(0, kNameBytes, kLowerCaseBase);
    lower(kNameBytes, kShortNameBytes, kLowerCaseExtension);
    return TextCodec::shortNameToUtf8(Fat12Reader::FormatShortName(name));
}

// Upper case for ASCII and Latin-1 letters, as the DOS code pages fold them.
char16_t folded(char16_t c)
{
    const bool lowerLatin1 = c >= 0xE0 && c <= 0xFE && c != 0xF7;
    return (c >= u'a' && c <= u'z') || lowerLatin1 ? static_cast<char16_t>(c - 0x20) : c;
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

Fat12Reader::Fat12Reader(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter), fat_(doc) {}

std::span<const std::uint8_t> Fat12Reader::clusterData(std::uint32_t cluster) const
{
    if (cluster < kFirstCluster || cluster > fat_.lastCluster())
        return {};
    const std::size_t bpc = doc_.geometry.bytesPerCluster();
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

std::string Fat12Reader::outsideVolume(std::uint32_t cluster) const
{
    // A sound volume too large for memory ends early there, not in damage.
    const std::size_t clusterEnd =
        doc_.areas.dataArea + (std::size_t{cluster} - kFirstCluster + 1) * doc_.geometry.bytesPerCluster();
    const std::uint32_t last = fat_.lastCluster();
    if (doc_.HeldInPart && cluster >= kFirstCluster && cluster > last && clusterEnd <= doc_.geometry.volumeBytes())
        return "Cluster " + std::to_string(cluster) + " lies beyond the tracks of this diskette held in memory; "
               "the chain stops before it.";
    return "Cluster " + std::to_string(cluster) + " lies outside this volume's clusters " +
           std::to_string(kFirstCluster) + " to " + std::to_string(last) +
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

Fat12Reader::Outcome Fat12Reader::BuildChain(std::uint16_t firstCluster)
{
    auto& chain = doc_.directory.chain;
    chain.fill(0);
    chain[0] = firstCluster;
    if (firstCluster == 0) // an empty file, or the root
        return {};
    const std::uint32_t last = fat_.lastCluster();
    if (firstCluster < kFirstCluster || firstCluster > last)
        return {outsideVolume(firstCluster)};

    std::vector<bool> seen(last + 1);
    seen[firstCluster] = true;
    std::uint32_t cluster = firstCluster;
    for (std::size_t length = 1;; ++length) {
        const std::uint16_t next = fat_.entry(cluster);
        if (next >= FatTable::kEndOfChain)
            return {};
        if (auto broken = chainBreak(next, seen, length))
            return {std::move(*broken)};
        seen[next] = true;
        chain[length] = next;
        cluster = next;
    }
}

Fat12Reader::Outcome Fat12Reader::ReadDirectory(std::uint32_t bytesPerSector)
{
    if (bytesPerSector != 0 && bytesPerSector != doc_.geometry.bytesPerSector) {
        DriveGeometry g = doc_.geometry;
        g.bytesPerSector = bytesPerSector;
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
    const std::size_t readable = doc_.loadedBytes();
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
    dir.pieceBytes = doc_.geometry.bytesPerCluster();
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

// Long-name entries are read from the short entry they lead to, so a
// broken run hides nothing after it.
void Fat12Reader::listEntries(std::span<const std::uint8_t> buffer, bool isRoot)
{
    for (std::size_t i = 0; i < static_cast<std::size_t>(doc_.directory.entryCount); ++i) {
        const auto entry = slot(buffer, i);
        if (entry[0] != kDeleted && entry[kAttributeOffset] != kLongName && (entry[kAttributeOffset] & kVolumeLabel))
            takeVolumeLabel(entry, i, isRoot);
        else if (auto name = listedName(buffer, i))
            addListing(entry, i, std::move(*name));
    }
}

// The name of a listed entry: its long name when a sound run leads to it,
// else its 8.3 name. Nothing for an entry the list leaves out.
std::optional<std::string> Fat12Reader::listedName(std::span<const std::uint8_t> buffer, std::size_t index) const
{
    const auto entry = slot(buffer, index);
    const std::uint8_t attributes = entry[kAttributeOffset];
    if (entry[0] == kDeleted || attributes == kLongName || (attributes & kVolumeLabel) ||
        (attributes != 0 && !(attributes & kListedBits)) ||
        std::equal(kDotName.begin(), kDotName.end(), entry.begin()))
        return std::nullopt;
    if (const std::size_t run = LongName::runBefore(buffer, index))
        return LongName::text(buffer, index, run);
    return displayName(entry);
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

void Fat12Reader::addListing(std::span<const std::uint8_t> entry, std::size_t index, std::string longName)
{
    ListingRecord r;
    r.slot = index;
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
        // A blank inside the name is part of it: "A B     TXT" is "A B.TXT".
        name.erase(std::max<std::size_t>(name.find_last_not_of(' ') + 1, 1));
        name += '.';
        name.append(entry.begin() + kNameBytes, entry.begin() + kShortNameBytes);
    }
    return name;
}

std::u16string Fat12Reader::caseFolded(std::string_view name)
{
    std::u16string units = TextCodec::utf8ToUtf16(name);
    std::transform(units.begin(), units.end(), units.begin(), folded);
    return units;
}

bool Fat12Reader::sameName(std::string_view a, std::string_view b)
{
    return caseFolded(a) == caseFolded(b);
}

std::optional<std::size_t> Fat12Reader::lookup(std::string_view name, std::optional<std::size_t> except) const
{
    const DirectoryArea& dir = doc_.directory;
    for (std::size_t i = 0; i < static_cast<std::size_t>(dir.entryCount); ++i) {
        const auto listed = i == except ? std::nullopt : listedName(dir.copy, i);
        if (listed && (sameName(*listed, name) ||
                       sameName(trimmed(TextCodec::shortNameToUtf8(FormatShortName(slot(dir.copy, i)))), name)))
            return i;
    }
    return std::nullopt;
}

std::optional<Fat12Reader::Found> Fat12Reader::FindEntry(std::string_view name)
{
    if (const auto index = lookup(name))
        return followEntry(*index);
    doc_.directory.chain.fill(0);
    prompter_.tell(kNotFound, Icon::Stop);
    return std::nullopt;
}

std::optional<Fat12Reader::Found> Fat12Reader::followEntry(std::size_t index)
{
    DirectoryArea& dir = doc_.directory;
    dir.chain.fill(0);
    if (index >= static_cast<std::size_t>(dir.entryCount) || !listedName(dir.copy, index)) {
        prompter_.tell(kNotFound, Icon::Stop);
        return std::nullopt;
    }
    dir.foundOffset = static_cast<int>(index * kDirEntrySize);
    const auto entry = slot(dir.copy, index);
    Found found;
    found.size = le32(entry, kSizeOffset);
    found.chain = BuildChain(le16(entry, kFirstClusterOffset));
    return found;
}

Fat12Reader::Outcome Fat12Reader::enterDirectory(std::size_t index)
{
    DirectoryArea& dir = doc_.directory;
    if (dir.depth < 0 || dir.depth >= static_cast<int>(kDirectoryLevels))
        return {depthWarning()};
    const auto found = followEntry(index);
    if (!found)
        return {};
    // Cluster 0 stands for the root: read, it would be taken for this folder,
    // and what is written into "this folder" would land in the root.
    if (dir.chain[0] == 0)
        return {noClusterWarning(FormatShortName(slot(dir.copy, index)))};
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
