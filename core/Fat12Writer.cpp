#include "core/Fat12Writer.h"

#include <algorithm>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"

namespace vellum {

namespace {

using namespace dirent;

constexpr std::uint8_t kLastPiece = 0x40;
constexpr std::size_t kUnitsPerEntry = 13;
constexpr std::size_t kChecksumOffset = 13;
constexpr std::size_t kMaxRunLength = (Fat12Writer::kMaxLongName + kUnitsPerEntry - 1) / kUnitsPerEntry;
constexpr char16_t kPadding = 0xFFFF;
constexpr std::uint32_t kFirstCluster = 2;
constexpr std::u16string_view kShortNameSpecials = u"$%'-_@~`!(){}^#&";
constexpr int kMostTails = 999'999;
constexpr std::uint16_t kChainEnd = 0xFFF;
constexpr std::u16string_view kIllegalInName = u"\\/:*?\"<>|";

// UTF-16 code units of a long-name entry: 5 at 1, 6 at 14, 2 at 28.
constexpr std::pair<std::size_t, std::size_t> kLongNamePieces[] = {{1, 5}, {14, 6}, {28, 2}};

// A character a short name may hold as it is, after upper-casing.
bool shortNameChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || kShortNameSpecials.find(c) != std::u16string_view::npos;
}

// Appends the short-name form of the units to `out`; true when something was lost.
bool appendShortForm(std::u16string_view units, std::string& out)
{
    bool lossy = false;
    for (char16_t c : units) {
        if (c == u' ' || c == u'.') {
            lossy = true;
            continue;
        }
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        if (!shortNameChar(c)) {
            c = u'_';
            lossy = true;
        }
        out.push_back(static_cast<char>(c));
    }
    return lossy;
}

// A base name DOS keeps for a device, whatever the extension: a file so
// named cannot be opened there, so it gets a "~N" tail as mcopy gives it.
bool isDeviceName(std::string_view base)
{
    constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    const bool numbered = base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
                          base[3] <= '9';
    return numbered || std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end();
}

Fat12Writer::ShortName compose(std::string_view base, std::string_view extension)
{
    Fat12Writer::ShortName name;
    name.fill(' ');
    std::copy_n(base.begin(), std::min(base.size(), kNameBytes), name.begin());
    std::copy_n(extension.begin(), std::min(extension.size(), kExtensionBytes), name.begin() + kNameBytes);
    return name;
}

} // namespace

Fat12Writer::Fat12Writer(CVLMDoc& doc, Prompter& prompter) : doc_(doc), reader_(doc, prompter) {}

std::uint8_t Fat12Writer::checksum(std::span<const std::uint8_t> shortName)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kShortNameBytes && i < shortName.size(); ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + shortName[i]);
    return sum;
}

std::vector<Fat12Writer::Entry> Fat12Writer::longNameEntries(std::u16string_view name, std::uint8_t sum)
{
    const std::size_t count = (name.size() + kUnitsPerEntry - 1) / kUnitsPerEntry;
    std::u16string units(name);
    if (units.size() % kUnitsPerEntry != 0)
        units.push_back(0);
    units.resize(count * kUnitsPerEntry, kPadding);
    std::vector<Entry> entries;
    for (std::size_t k = count; k >= 1; --k) {
        Entry e{};
        e[0] = static_cast<std::uint8_t>(k | (k == count ? kLastPiece : 0));
        e[kAttributeOffset] = kLongName;
        e[kChecksumOffset] = sum;
        std::size_t unit = (k - 1) * kUnitsPerEntry;
        for (const auto& [offset, n] : kLongNamePieces)
            for (std::size_t u = 0; u < n; ++u, ++unit) {
                e[offset + 2 * u] = static_cast<std::uint8_t>(units[unit]);
                e[offset + 2 * u + 1] = static_cast<std::uint8_t>(units[unit] >> 8);
            }
        entries.push_back(e);
    }
    return entries;
}

Fat12Writer::ShortName Fat12Writer::shortNameFor(std::u16string_view longName,
                                                 const std::function<bool(const ShortName&)>& taken)
{
    const std::size_t first = longName.find_first_not_of(u'.');
    const std::u16string_view trimmed = first == std::u16string_view::npos ? u"" : longName.substr(first);
    bool lossy = first != 0;
    const std::size_t dot = trimmed.rfind(u'.');
    std::string base;
    std::string extension;
    lossy |= appendShortForm(trimmed.substr(0, dot), base);
    if (dot != std::u16string_view::npos)
        lossy |= appendShortForm(trimmed.substr(dot + 1), extension);
    if (base.empty()) {
        base = "_";
        lossy = true;
    }
    lossy |= base.size() > kNameBytes || extension.size() > kExtensionBytes || isDeviceName(base);
    const ShortName plain = compose(base, extension);
    if (!lossy && !taken(plain))
        return plain;
    for (int n = 1; n <= kMostTails; ++n) {
        const std::string tail = "~" + std::to_string(n);
        const ShortName candidate = compose(base.substr(0, kNameBytes - tail.size()) + tail, extension);
        if (!taken(candidate))
            return candidate;
    }
    return plain;
}

bool Fat12Writer::isOwnShortName(std::u16string_view name, const ShortName& shortName)
{
    const std::string display = Fat12Reader::FormatShortName(shortName);
    const std::string text = display.substr(0, display.find_last_not_of(' ') + 1);
    return std::equal(name.begin(), name.end(), text.begin(), text.end(),
                      [](char16_t a, char b) { return a == static_cast<unsigned char>(b); });
}

std::size_t Fat12Writer::slotsFor(std::u16string_view name, const ShortName& shortName)
{
    return 1 + (isOwnShortName(name, shortName) ? 0 : (name.size() + kUnitsPerEntry - 1) / kUnitsPerEntry);
}

std::size_t Fat12Writer::slotCapacity() const
{
    const DirectoryArea& dir = doc_.directory;
    return std::min(kDirectoryCopyEntries, dir.copiedFrom.size() * dir.pieceBytes / kDirEntrySize);
}

std::optional<std::size_t> Fat12Writer::allocateSlots(std::size_t count, std::span<const std::size_t> alsoFree) const
{
    const DirectoryArea& dir = doc_.directory;
    const auto end = static_cast<std::size_t>(dir.entryCount);
    std::size_t run = 0;
    for (std::size_t i = 0; i < slotCapacity() && count > 0; ++i) {
        const bool free = i >= end || dir.copy[i * kDirEntrySize] == kDeleted ||
                          std::find(alsoFree.begin(), alsoFree.end(), i) != alsoFree.end();
        run = free ? run + 1 : 0;
        if (run == count)
            return i + 1 - count;
    }
    return std::nullopt;
}

std::size_t Fat12Writer::freeSlots() const
{
    const DirectoryArea& dir = doc_.directory;
    std::size_t count = 0;
    for (std::size_t i = 0; i < slotCapacity(); ++i)
        count += i >= static_cast<std::size_t>(dir.entryCount) || dir.copy[i * kDirEntrySize] == kDeleted ? 1 : 0;
    return count;
}

void Fat12Writer::writeSlot(std::size_t index, std::span<const std::uint8_t> entry)
{
    DirectoryArea& dir = doc_.directory;
    if (!put(index, entry) || index < static_cast<std::size_t>(dir.entryCount))
        return;
    // A slot written past the end moves the end behind it.
    dir.entryCount = static_cast<int>(index + 1);
    dir.endOffset = dir.entryCount * static_cast<int>(kDirEntrySize);
    put(index + 1, Entry{});
}

bool Fat12Writer::put(std::size_t index, std::span<const std::uint8_t> entry)
{
    const auto address = reader_.entryAddress(index * kDirEntrySize);
    if (!address || index >= slotCapacity())
        return false;
    std::copy_n(entry.begin(), kDirEntrySize,
                doc_.directory.copy.begin() + static_cast<std::ptrdiff_t>(index * kDirEntrySize));
    std::copy_n(entry.begin(), kDirEntrySize, doc_.image().begin() + static_cast<std::ptrdiff_t>(*address));
    return true;
}

std::vector<std::size_t> Fat12Writer::entrySlots(std::size_t index) const
{
    const auto& copy = doc_.directory.copy;
    const auto entry = std::span(copy).subspan(index * kDirEntrySize, kDirEntrySize);
    const std::uint8_t sum = checksum(entry);
    std::vector<std::size_t> slots{index};
    for (std::size_t k = index; k > 0 && slots.size() <= kMaxRunLength; --k) {
        const auto piece = std::span(copy).subspan((k - 1) * kDirEntrySize, kDirEntrySize);
        if (piece[0] == kDeleted || piece[kAttributeOffset] != kLongName || piece[kChecksumOffset] != sum)
            break;
        slots.push_back(k - 1);
        if (piece[0] & kLastPiece)
            break;
    }
    return slots;
}

void Fat12Writer::markDeleted(std::size_t index)
{
    for (const std::size_t s : entrySlots(index)) {
        Entry e;
        std::copy_n(doc_.directory.copy.begin() + static_cast<std::ptrdiff_t>(s * kDirEntrySize), kDirEntrySize,
                    e.begin());
        e[0] = kDeleted;
        writeSlot(s, e);
    }
}

Fat12Reader::Outcome Fat12Writer::freeChain(std::uint16_t firstCluster, std::optional<std::uint32_t> fileSize)
{
    if (firstCluster == 0)
        return {};
    if (!fileSize)
        return reader_.BuildChain(firstCluster, true);
    const Fat12Reader::Outcome walk = reader_.BuildChain(firstCluster);
    const auto& chain = doc_.directory.chain;
    const std::size_t bytes = reader_.clusterBytes();
    const std::size_t own = bytes == 0 ? 0 : (std::size_t{*fileSize} + bytes - 1) / bytes;
    std::uint32_t lowest = UINT32_MAX;
    std::uint32_t highest = 0;
    std::size_t n = 0;
    for (; n < own && n < chain.size() && chain[n] != 0; ++n) {
        reader_.setFatEntry(chain[n], 0);
        lowest = std::min<std::uint32_t>(lowest, chain[n]);
        highest = std::max<std::uint32_t>(highest, chain[n]);
    }
    if (highest != 0)
        reader_.mirrorFat(lowest, highest);
    if (n < chain.size() && chain[n] != 0)
        return {"The file's cluster chain runs on past its size into cluster " + std::to_string(chain[n]) +
                ", which may belong to another file; only the file's own clusters were freed. "
                "Check the diskette for errors."};
    return walk;
}

std::uint16_t Fat12Writer::currentCluster() const
{
    const DirectoryArea& dir = doc_.directory;
    const std::size_t bpc = reader_.clusterBytes();
    if (dir.depth <= 0 || dir.copiedFrom.empty() || bpc == 0 || dir.copiedFrom.front() < doc_.areas.dataArea)
        return 0;
    return static_cast<std::uint16_t>((dir.copiedFrom.front() - doc_.areas.dataArea) / bpc + kFirstCluster);
}

bool Fat12Writer::shortNameTaken(const ShortName& name, std::optional<std::size_t> except) const
{
    const DirectoryArea& dir = doc_.directory;
    for (std::size_t i = 0; i < static_cast<std::size_t>(dir.entryCount); ++i) {
        const auto other = std::span(dir.copy).subspan(i * kDirEntrySize, kDirEntrySize);
        if (i != except && other[0] != kDeleted && other[kAttributeOffset] != kLongName &&
            std::equal(name.begin(), name.end(), other.begin()))
            return true;
    }
    return false;
}

bool Fat12Writer::isLegalName(std::u16string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char16_t c) {
        return c < 0x20 || c == 0x7F || kIllegalInName.find(c) != std::u16string_view::npos;
    });
}

std::size_t Fat12Writer::freeClusters() const
{
    std::size_t count = 0;
    for (std::uint32_t c = kFirstCluster; c <= reader_.lastCluster(); ++c)
        count += reader_.fatEntry(c) == 0 ? 1 : 0;
    return count;
}

std::optional<std::vector<std::uint16_t>> Fat12Writer::allocateChain(std::size_t count)
{
    std::vector<std::uint16_t> chain;
    for (std::uint32_t c = kFirstCluster; c <= reader_.lastCluster() && chain.size() < count; ++c)
        if (reader_.fatEntry(c) == 0)
            chain.push_back(static_cast<std::uint16_t>(c));
    if (chain.size() < count)
        return std::nullopt;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        reader_.setFatEntry(chain[i], i + 1 < chain.size() ? chain[i + 1] : kChainEnd);
        const auto data = reader_.clusterData(chain[i]);
        std::fill(data.begin(), data.end(), std::uint8_t{0});
    }
    if (!chain.empty())
        reader_.mirrorFat(chain.front(), chain.back());
    return chain;
}

bool Fat12Writer::growDirectory()
{
    const std::uint16_t first = currentCluster();
    // More clusters would hold entries the directory copy cannot list.
    if (first == 0 || slotCapacity() >= kDirectoryCopyEntries)
        return false;
    std::uint16_t last = first;
    for (std::size_t n = 0; n < kChainWords && reader_.fatEntry(last) >= kFirstCluster &&
                            reader_.fatEntry(last) <= reader_.lastCluster();
         ++n)
        last = reader_.fatEntry(last);
    const auto added = allocateChain(1);
    if (!added)
        return false;
    reader_.setFatEntry(last, added->front());
    reader_.mirrorFat(std::min(last, added->front()), std::max(last, added->front()));
    return relist().whole();
}

Fat12Reader::Outcome Fat12Writer::relist()
{
    DirectoryArea& dir = doc_.directory;
    const int depth = dir.depth;
    const std::uint16_t first = currentCluster();
    const Fat12Reader::Outcome chain = reader_.BuildChain(first);
    // The reader files a subdirectory's address at the depth it is entered from.
    if (first != 0)
        dir.depth = depth - 1;
    const Fat12Reader::Outcome read = reader_.ReadDirectory();
    dir.depth = depth;
    return chain.whole() ? read : chain;
}

} // namespace vellum
