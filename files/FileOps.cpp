#include "files/FileOps.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Writer.h"
#include "core/Prompter.h"
#include "core/TextCodec.h"
#include "files/DirectoryTree.h"
#include "files/FileSaver.h"

namespace vellum {

namespace {

using namespace dirent;

constexpr std::size_t kCaseFlagsOffset = 12;

std::string withoutPadding(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

bool isDotEntry(std::span<const std::uint8_t> entry)
{
    return entry[0] == '.' && (entry[1] == ' ' || (entry[1] == '.' && entry[2] == ' '));
}

} // namespace

bool FileOps::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Exclamation);
    return false;
}

bool FileOps::remove(std::string_view shortName)
{
    Fat12Writer writer(doc_, prompter_);
    const auto found = writer.reader().FindEntry(shortName);
    if (!found)
        return false;
    const auto index = static_cast<std::size_t>(doc_.directory.foundOffset) / kDirEntrySize;
    const auto entry = std::span(doc_.directory.copy).subspan(index * kDirEntrySize, kDirEntrySize);
    if (isDotEntry(entry))
        return refuse("The entries \".\" and \"..\" belong to their folder and cannot be deleted.");
    if (runsIntoOpenFolder(writer.reader()))
        return refuse("\"" + withoutPadding(std::string(shortName)) +
                      "\" shares its clusters with the folder shown or a folder above it, so deleting it would "
                      "delete them too; it is kept. Check the diskette for errors.");
    const std::uint16_t first = doc_.directory.chain[0];
    const bool folder = entry[kAttributeOffset] & kDirectory;
    // A folder of cluster 0 would walk the root: such a folder holds nothing of its own.
    if (folder && first != 0)
        freeContents(first);
    const Fat12Reader::Outcome freed = writer.freeChain(first, folder ? std::nullopt : std::optional(found->size));
    writer.markDeleted(index);
    doc_.imageChanged = true;
    for (const auto& outcome : {freed, writer.relist()})
        if (!outcome.whole())
            prompter_.warn(outcome.warning);
    return true;
}

// Whether the chain just found (a damaged, cross-linked entry) holds a
// cluster of the folder shown or of one of the folders open above it.
bool FileOps::runsIntoOpenFolder(Fat12Reader& reader) const
{
    const DirectoryArea& dir = doc_.directory;
    std::set<std::size_t> open(dir.copiedFrom.begin(), dir.copiedFrom.end());
    open.insert(dir.stack.begin(), dir.stack.begin() + std::clamp<std::ptrdiff_t>(dir.depth, 0, kDirectoryLevels));
    const auto image = doc_.image();
    for (const std::uint16_t cluster : dir.chain) {
        if (cluster == 0)
            break;
        const auto data = reader.clusterData(cluster);
        if (!data.empty() && open.count(static_cast<std::size_t>(data.data() - image.data())))
            return true;
    }
    return false;
}

// Frees the clusters of every file and folder below a folder; the folders'
// own chains go last, once nothing needs to read them any more.
void FileOps::freeContents(std::uint16_t folderCluster)
{
    Fat12Writer writer(doc_, prompter_);
    std::vector<std::uint16_t> folders;
    DirectoryTree(doc_, prompter_)
        .walk(folderCluster, 0, [&](const ListingRecord& r, std::uint16_t first, int) -> std::optional<int> {
            if (r.attributes & kDirectory) {
                folders.push_back(first);
                return 0;
            }
            if (const auto freed = writer.freeChain(first, r.size); !freed.whole())
                prompter_.warn(freed.warning);
            return std::nullopt;
        });
    for (const std::uint16_t folder : folders)
        writer.freeChain(folder);
}

bool FileOps::move(std::string_view shortName, const std::filesystem::path& target, FileSaver& saver)
{
    return saver.saveFile(shortName, target) && remove(shortName);
}

bool FileOps::sameName(std::string_view a, std::string_view b)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](unsigned char x, unsigned char y) { return lower(x) == lower(y); });
}

const ListingRecord* FileOps::entryNamed(std::string_view name, std::string_view exceptShortName) const
{
    const auto& listing = doc_.directory.listing;
    const auto found = std::find_if(listing.begin(), listing.end(), [&](const ListingRecord& r) {
        return r.shortName != exceptShortName &&
               (sameName(r.longName, name) || sameName(withoutPadding(TextCodec::shortNameToUtf8(r.shortName)), name));
    });
    return found == listing.end() ? nullptr : &*found;
}

std::string FileOps::nameGiven(std::string_view newName)
{
    std::string text(newName);
    text.erase(text.find_last_not_of(" .") + 1);
    return text;
}

std::string FileOps::noEntriesText(const Fat12Writer& writer, std::string_view name, std::size_t entries)
{
    if (writer.currentCluster() != 0 && writer.freeClusters() == 0)
        return "The diskette is full: the folder has no free entry for \"" + std::string(name) +
               "\", and no free cluster to grow by. Delete files to make room.";
    return "This folder has no room left for \"" + std::string(name) + "\": it needs " + std::to_string(entries) +
           " directory entries in a row, and " + std::to_string(writer.freeSlots()) + " are free.";
}

bool FileOps::rename(std::string_view shortName, std::string_view newName)
{
    const std::string text = nameGiven(newName);
    const std::u16string name = TextCodec::utf8ToUtf16(text);
    if (name.empty())
        return false;
    if (!Fat12Writer::isLegalName(name))
        return refuse(std::string(kIllegalNameText));
    if (name.size() > Fat12Writer::kMaxLongName)
        return refuse("The name has " + std::to_string(name.size()) + " characters; at most " +
                      std::to_string(Fat12Writer::kMaxLongName) + " fit.");

    Fat12Writer writer(doc_, prompter_);
    if (!writer.reader().FindEntry(shortName))
        return false;
    DirectoryArea& dir = doc_.directory;
    const auto index = static_cast<std::size_t>(dir.foundOffset) / kDirEntrySize;
    Fat12Writer::Entry entry;
    std::copy_n(dir.copy.begin() + static_cast<std::ptrdiff_t>(index * kDirEntrySize), kDirEntrySize, entry.begin());
    if (isDotEntry(entry))
        return refuse("The entries \".\" and \"..\" belong to their folder and cannot be renamed.");
    if (entryNamed(text, Fat12Reader::FormatShortName(entry)))
        return refuse("This folder holds a file named \"" + text + "\" already.");

    const auto taken = [&](const Fat12Writer::ShortName& candidate) { return writer.shortNameTaken(candidate, index); };
    const Fat12Writer::ShortName newShort = Fat12Writer::shortNameFor(name, taken);
    const auto longEntries = Fat12Writer::isOwnShortName(name, newShort)
                                 ? std::vector<Fat12Writer::Entry>{}
                                 : Fat12Writer::longNameEntries(name, Fat12Writer::checksum(newShort));
    auto at = writer.allocateSlots(longEntries.size() + 1, writer.entrySlots(index));
    // A subfolder grows by a cluster, as it does for an add; a cluster it
    // grew by stays, empty, when a second one is not to be had.
    for (bool grew = false; !at; at = writer.allocateSlots(longEntries.size() + 1, writer.entrySlots(index))) {
        if (!writer.growDirectory()) {
            doc_.imageChanged |= grew;
            return refuse(noEntriesText(writer, text, longEntries.size() + 1));
        }
        grew = true;
    }

    std::copy(newShort.begin(), newShort.end(), entry.begin());
    entry[kCaseFlagsOffset] = 0;
    writer.markDeleted(index);
    for (std::size_t k = 0; k < longEntries.size(); ++k)
        writer.writeSlot(*at + k, longEntries[k]);
    writer.writeSlot(*at + longEntries.size(), entry);
    doc_.imageChanged = true;
    if (const auto outcome = writer.relist(); !outcome.whole())
        prompter_.warn(outcome.warning);
    return true;
}

} // namespace vellum
