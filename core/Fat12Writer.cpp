#include "core/Fat12Writer.h"

#include <algorithm>
#include <utility>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

using namespace dirent;

constexpr std::uint32_t kFirstCluster = FatTable::kFirstCluster;
constexpr std::u16string_view kShortNameSpecials = u"$%'-_@~`!(){}^#&";
constexpr int kMostTails = 999'999;
constexpr std::u16string_view kIllegalInName = u"\\/:*?\"<>|";

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

Fat12Writer::Fat12Writer(CVLMDoc& doc, Prompter& prompter) : doc_(doc), reader_(doc, prompter), fat_(doc) {}

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

std::string Fat12Writer::shortNameText(const ShortName& shortName)
{
    std::string text = TextCodec::cp850ToUtf8(Fat12Reader::FormatShortName(shortName));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool Fat12Writer::isOwnShortName(std::u16string_view name, const ShortName& shortName)
{
    const std::string text = shortNameText(shortName);
    return std::equal(name.begin(), name.end(), text.begin(), text.end(),
                      [](char16_t a, char b) { return a == static_cast<unsigned char>(b); });
}

std::size_t Fat12Writer::slotsFor(std::u16string_view name, const ShortName& shortName)
{
    return 1 + (isOwnShortName(name, shortName) ? 0 : LongName::entriesFor(name.size()));
}

std::vector<Fat12Writer::Entry> Fat12Writer::entriesOf(std::u16string_view name, const Entry& shortEntry)
{
    ShortName shortName;
    std::copy_n(shortEntry.begin(), shortName.size(), shortName.begin());
    std::vector<Entry> entries;
    if (!isOwnShortName(name, shortName))
        entries = LongName::entries(name, LongName::checksum(shortName));
    entries.push_back(shortEntry);
    return entries;
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

void Fat12Writer::writeEntries(std::size_t at, std::span<const Entry> entries)
{
    for (const std::size_t stale : entrySlots(at))
        if (stale != at)
            deleteSlot(stale);
    for (std::size_t k = 0; k < entries.size(); ++k)
        writeSlot(at + k, entries[k]);
}

std::vector<std::size_t> Fat12Writer::entrySlots(std::size_t index) const
{
    const auto& copy = doc_.directory.copy;
    std::vector<std::size_t> slots{index};
    for (std::size_t k = index; k > 0; --k) {
        const std::uint8_t* piece = copy.data() + (k - 1) * kDirEntrySize;
        if (piece[0] == kDeleted || piece[kAttributeOffset] != kLongName)
            break;
        slots.push_back(k - 1);
    }
    return slots;
}

void Fat12Writer::markDeleted(std::size_t index)
{
    for (const std::size_t s : entrySlots(index))
        deleteSlot(s);
}

void Fat12Writer::deleteSlot(std::size_t index)
{
    Entry e;
    std::copy_n(doc_.directory.copy.begin() + static_cast<std::ptrdiff_t>(index * kDirEntrySize), kDirEntrySize,
                e.begin());
    e[0] = kDeleted;
    writeSlot(index, e);
}

std::uint16_t Fat12Writer::currentCluster() const
{
    const DirectoryArea& dir = doc_.directory;
    const std::size_t bpc = doc_.geometry.bytesPerCluster();
    if (dir.depth <= 0 || dir.copiedFrom.empty() || bpc == 0 || dir.copiedFrom.front() < doc_.areas.dataArea)
        return 0;
    return static_cast<std::uint16_t>((dir.copiedFrom.front() - doc_.areas.dataArea) / bpc + kFirstCluster);
}

bool Fat12Writer::shortNameTaken(const ShortName& name, std::optional<std::size_t> except) const
{
    return reader_.lookup(shortNameText(name), except).has_value();
}

bool Fat12Writer::isLegalName(std::u16string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char16_t c) {
        return c < 0x20 || c == 0x7F || kIllegalInName.find(c) != std::u16string_view::npos;
    });
}

std::optional<std::vector<std::uint16_t>> Fat12Writer::allocateChain(std::size_t count)
{
    std::vector<std::uint16_t> chain;
    const std::uint32_t last = fat_.lastCluster();
    for (std::uint32_t c = kFirstCluster; c <= last && chain.size() < count; ++c)
        if (fat_.entry(c) == FatTable::kFree)
            chain.push_back(static_cast<std::uint16_t>(c));
    if (chain.size() < count)
        return std::nullopt;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        fat_.set(chain[i], i + 1 < chain.size() ? chain[i + 1] : FatTable::kChainEnd);
        const auto data = clusterData(chain[i]);
        std::fill(data.begin(), data.end(), std::uint8_t{0});
    }
    if (!chain.empty())
        fat_.mirror(chain.front(), chain.back());
    return chain;
}

bool Fat12Writer::growDirectory()
{
    const std::uint16_t first = currentCluster();
    // More clusters would hold entries the directory copy cannot list.
    if (first == 0 || slotCapacity() >= kDirectoryCopyEntries)
        return false;
    std::uint16_t last = first;
    for (std::size_t n = 0; n < kChainWords && fat_.entry(last) >= kFirstCluster && fat_.entry(last) <= fat_.lastCluster();
         ++n)
        last = fat_.entry(last);
    const auto added = allocateChain(1);
    if (!added)
        return false;
    fat_.set(last, added->front());
    fat_.mirror(std::min(last, added->front()), std::max(last, added->front()));
    return relist().whole();
}

std::span<std::uint8_t> Fat12Writer::clusterData(std::uint32_t cluster)
{
    const auto data = reader_.clusterData(cluster);
    if (data.empty())
        return {};
    return doc_.image().subspan(static_cast<std::size_t>(data.data() - std::as_const(doc_).image().data()),
                                data.size());
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
