#include "files/FileOps.h"

#include <algorithm>
#include <iterator>
#include <optional>
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

bool isDotEntry(std::span<const std::uint8_t> entry)
{
    return entry[0] == '.' && (entry[1] == ' ' || (entry[1] == '.' && entry[2] == ' '));
}

std::span<const std::uint8_t> entryAt(const CVLMDoc& doc, std::size_t slot)
{
    return std::span(doc.directory.copy).subspan(slot * kDirEntrySize, kDirEntrySize);
}

// The entry's name as the list shows it.
std::string shownName(const CVLMDoc& doc, std::size_t slot)
{
    for (const ListingRecord& r : doc.directory.listing)
        if (r.slot == slot)
            return r.longName.substr(0, r.longName.find_last_not_of(' ') + 1);
    return {};
}

} // namespace

bool FileOps::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Exclamation);
    return false;
}

FileOps::Clusters FileOps::chainFollowed() const
{
    const auto& chain = doc_.directory.chain;
    return {chain.begin(), std::find(chain.begin(), chain.end(), 0)};
}

bool FileOps::remove(std::size_t slot)
{
    Fat12Writer writer(doc_, prompter_);
    const auto found = writer.reader().followEntry(slot);
    if (!found)
        return false;
    if (isDotEntry(entryAt(doc_, slot)))
        return refuse("The entries \".\" and \"..\" belong to their folder and cannot be deleted.");
    const std::string name = shownName(doc_, slot);
    const bool folder = entryAt(doc_, slot)[kAttributeOffset] & kDirectory;
    Clusters own = chainFollowed();
    // A folder of cluster 0 would walk the root: such a folder holds nothing of its own.
    if (folder && doc_.directory.chain[0] != 0)
        own.merge(clustersBelow(doc_.directory.chain[0]));
    const Clusters others = clustersOfOthers(writer.currentCluster(), slot);
    std::vector<std::uint16_t> freed;
    std::set_difference(own.begin(), own.end(), others.begin(), others.end(), std::back_inserter(freed));

    writer.fat().release(freed);
    writer.markDeleted(slot);
    doc_.imageChanged = true;
    for (const auto& outcome : {found->chain, writer.relist()})
        if (!outcome.whole())
            prompter_.warn(outcome.warning);
    if (const std::size_t shared = own.size() - freed.size())
        prompter_.warn("\"" + name + "\" shares " + std::to_string(shared) + (shared == 1 ? " cluster" : " clusters") +
                       " with other files or folders; they keep " + (shared == 1 ? "it" : "them") +
                       ". Check the diskette for errors.");
    return true;
}

// The clusters of every file and folder below a folder, its own included.
FileOps::Clusters FileOps::clustersBelow(std::uint16_t folderCluster)
{
    SilentPrompter unheard; // what these walks meet on a damaged volume is told by the delete
    Clusters below;
    DirectoryTree(doc_, unheard)
        .walk(folderCluster, 0, [&](const ListingRecord& r, std::uint16_t, int) -> std::optional<int> {
            below.merge(chainFollowed());
            return r.attributes & kDirectory ? std::optional(0) : std::nullopt;
        });
    return below;
}

// The clusters every entry of the volume reaches but the one at `slot` of
// the folder shown and what lies below it. On a sound volume that entry
// shares none of them; on a cross-linked one these stay allocated.
FileOps::Clusters FileOps::clustersOfOthers(std::uint16_t folderShown, std::size_t slot)
{
    SilentPrompter unheard;
    Clusters reached;
    DirectoryTree(doc_, unheard)
        .walk(std::uint16_t{0}, std::uint16_t{0},
              [&](const ListingRecord& r, std::uint16_t first, std::uint16_t folder) -> std::optional<std::uint16_t> {
                  if (folder == folderShown && r.slot == slot)
                      return std::nullopt;
                  reached.merge(chainFollowed());
                  return first;
              });
    return reached;
}

bool FileOps::move(std::size_t slot, const std::filesystem::path& target, FileSaver& saver)
{
    return saver.saveFile(slot, target) && remove(slot);
}

std::string FileOps::nameGiven(std::string_view newName)
{
    std::string text(newName);
    text.erase(text.find_last_not_of(" .") + 1);
    return text;
}

std::string FileOps::noEntriesText(const Fat12Writer& writer, std::string_view name, std::size_t entries)
{
    if (writer.currentCluster() != 0 && writer.fat().freeCount() == 0)
        return "The diskette is full: the folder has no free entry for \"" + std::string(name) +
               "\", and no free cluster to grow by. Delete files to make room.";
    return "This folder has no room left for \"" + std::string(name) + "\": it needs " + std::to_string(entries) +
           " directory entries in a row, and " + std::to_string(writer.freeSlots()) + " are free.";
}

bool FileOps::rename(std::size_t slot, std::string_view newName)
{
    const std::string text = nameGiven(newName);
    const std::u16string name = TextCodec::utf8ToUtf16(text);
    if (name.empty())
        return false;
    if (!Fat12Writer::isLegalName(name))
        return refuse(std::string(kIllegalNameText));
    if (name.size() > LongName::kMostUnits)
        return refuse("The name has " + std::to_string(name.size()) + " characters; at most " +
                      std::to_string(LongName::kMostUnits) + " fit.");

    Fat12Writer writer(doc_, prompter_);
    if (!writer.reader().followEntry(slot))
        return false;
    Fat12Writer::Entry entry;
    std::copy_n(entryAt(doc_, slot).begin(), kDirEntrySize, entry.begin());
    if (isDotEntry(entry))
        return refuse("The entries \".\" and \"..\" belong to their folder and cannot be renamed.");
    if (writer.reader().lookup(text, slot))
        return refuse("This folder holds a file named \"" + text + "\" already.");

    const auto taken = [&](const Fat12Writer::ShortName& candidate) { return writer.shortNameTaken(candidate, slot); };
    const Fat12Writer::ShortName newShort = Fat12Writer::shortNameFor(name, taken);
    std::copy(newShort.begin(), newShort.end(), entry.begin());
    entry[kCaseFlagsOffset] = 0;
    const auto entries = Fat12Writer::entriesOf(name, entry);
    auto at = writer.allocateSlots(entries.size(), writer.entrySlots(slot));
    // A subfolder grows by a cluster, as it does for an add; a cluster it
    // grew by stays, empty, when a second one is not to be had.
    for (bool grew = false; !at; at = writer.allocateSlots(entries.size(), writer.entrySlots(slot))) {
        if (!writer.growDirectory()) {
            doc_.imageChanged |= grew;
            return refuse(noEntriesText(writer, text, entries.size()));
        }
        grew = true;
    }

    writer.markDeleted(slot);
    writer.writeEntries(*at, entries);
    doc_.imageChanged = true;
    if (const auto outcome = writer.relist(); !outcome.whole())
        prompter_.warn(outcome.warning);
    return true;
}

} // namespace vellum
