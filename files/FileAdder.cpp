#include "files/FileAdder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

#include "core/BlockFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/Prompter.h"
#include "core/TextCodec.h"
#include "files/FileOps.h"

namespace vellum {

namespace {

using namespace dirent;
namespace fs = std::filesystem;

constexpr std::size_t kDotEntries = 2;

std::string inQuotes(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string byteText(std::size_t bytes)
{
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

Fat12Writer::ShortName dotName(std::size_t dots)
{
    Fat12Writer::ShortName name;
    name.fill(' ');
    std::fill_n(name.begin(), dots, '.');
    return name;
}

Fat12Writer::Entry shortEntry(const Fat12Writer::ShortName& name, std::uint32_t attributes, std::uint16_t first,
                              std::uint32_t size, std::time_t mtime)
{
    Fat12Writer::Entry e{};
    std::copy(name.begin(), name.end(), e.begin());
    e[kAttributeOffset] = static_cast<std::uint8_t>(attributes);
    const auto [date, time] = DosTime::fromTime(mtime);
    putLe16(e, kTimeOffset, time);
    putLe16(e, kDateOffset, date);
    putLe16(e, kFirstClusterOffset, first);
    putLe32(e, kSizeOffset, size);
    return e;
}

// The snapshot a refused add goes back to.
struct Before {
    explicit Before(const CVLMDoc& doc)
        : image(doc.image().begin(), doc.image().begin() + static_cast<std::ptrdiff_t>(doc.loadedBytes())),
          tracks(doc.TracksLoaded), directory(doc.directory), changed(doc.imageChanged)
    {
    }
    bool restore(CVLMDoc& doc) const
    {
        std::copy(image.begin(), image.end(), doc.image().begin());
        doc.TracksLoaded = tracks;
        doc.directory = directory;
        doc.imageChanged = changed;
        return false;
    }
    std::vector<std::uint8_t> image;
    std::int32_t tracks;
    DirectoryArea directory;
    bool changed;
};

} // namespace

bool FileAdder::refuse(const std::string& text)
{
    prompter_.tell(text, Icon::Exclamation);
    return false;
}

std::size_t FileAdder::clusterBytes() const
{
    return doc_.geometry.bytesPerCluster();
}

// Reads what a host path holds; throws std::runtime_error for what cannot
// be added. `depth` is the folder level the item would land on. Nothing for
// a folder met already in this tree.
std::optional<FileAdder::Item> FileAdder::plan(const fs::path& host, int depth)
{
    Item item;
    item.host = host;
    std::string hostName = host.filename().string();
    // "dir/", "." and ".." are named after the folder they lead to.
    if (hostName.empty() || hostName == "." || hostName == "..") {
        std::error_code ec;
        hostName = fs::weakly_canonical(host, ec).filename().string();
    }
    // Named as rename names it, and as DOS and mtools do.
    item.text = FileOps::nameGiven(hostName);
    item.name = TextCodec::utf8ToUtf16(item.text);
    if (item.name.empty())
        throw std::runtime_error(inQuotes(hostName) + " cannot be a name on a diskette: without its trailing "
                                                      "blanks and dots nothing is left.");
    if (item.name.size() > LongName::kMostUnits)
        throw std::runtime_error(inQuotes(item.text) + " cannot be a name on a diskette: it has " +
                                 std::to_string(item.name.size()) + " characters, at most " +
                                 std::to_string(LongName::kMostUnits) + " fit.");
    if (!Fat12Writer::isLegalName(item.name))
        throw std::runtime_error(inQuotes(item.text) + " cannot be added. " + std::string(FileOps::kIllegalNameText));
    // The inode's own time: a file_time_type cannot hold one from 2262 on,
    // which the DOS date clamps anyway.
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        throw std::runtime_error("Could not read " + inQuotes(host.string()) + ": " + std::strerror(errno) + ".");
    item.mtime = st.st_mtime;
    item.folder = S_ISDIR(st.st_mode);
    if (item.folder) {
        if (!seenFolders_.emplace(st.st_dev, st.st_ino).second) {
            prompter_.warn(inQuotes(host.string()) + " leads to a folder added already; it is left out.");
            return std::nullopt;
        }
        spend(1);
        planChildren(item, depth);
        return item;
    }
    if (!S_ISREG(st.st_mode))
        throw std::runtime_error(inQuotes(host.string()) + " is neither a file nor a folder.");
    readWhole(item);
    return item;
}

// Reads a file to its end, whatever size it claims (files under /proc say
// 0), but no further than the diskette could hold.
void FileAdder::readWhole(Item& file)
{
    BlockFile in = BlockFile::openRead(file.host);
    const std::size_t bytes = clusterBytes();
    for (std::size_t got = bytes; got == bytes;) {
        file.data.resize(file.data.size() + bytes);
        got = in.read(std::span(file.data).last(bytes));
        file.data.resize(file.data.size() - bytes + got);
        if (got > 0)
            spend(1);
    }
    file.size = file.data.size();
}

// Counts clusters into the plan, which ends once it needs more than the
// whole diskette: a tree of links that fans out is not planned without bound.
void FileAdder::spend(std::size_t clusters)
{
    const DriveGeometry& g = doc_.geometry;
    const std::size_t volume = std::size_t{g.totalSectors} * g.bytesPerSector;
    const std::size_t diskette = volume > doc_.areas.dataArea ? (volume - doc_.areas.dataArea) / clusterBytes() : 0;
    plannedClusters_ += clusters;
    if (plannedClusters_ > diskette)
        throw std::runtime_error("The diskette has no room for " + inQuotes(planned_) + ": it needs more than the " +
                                 byteText(diskette * clusterBytes()) + " of the whole diskette.");
}

// Plans a folder's contents, their short names made among themselves.
void FileAdder::planChildren(Item& folder, int depth)
{
    if (depth > static_cast<int>(kDirectoryLevels))
        throw std::runtime_error("The folders in " + inQuotes(folder.host.string()) + " nest deeper than the " +
                                 std::to_string(kDirectoryLevels) + " levels of folders Vellum can open.");
    std::vector<fs::path> children;
    std::error_code ec;
    for (fs::directory_iterator it(folder.host, ec), end; !ec && it != end; it.increment(ec))
        children.push_back(it->path());
    if (ec)
        throw std::runtime_error("Could not read the folder " + inQuotes(folder.host.string()) + ": " +
                                 ec.message() + ".");
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children)
        if (auto sub = plan(child, depth + 1))
            folder.children.push_back(std::move(*sub));
    nameChildren(folder);
    std::size_t slots = kDotEntries;
    for (const Item& child : folder.children)
        slots += slotsOf(child);
    if (slots > kDirectoryCopyEntries)
        throw std::runtime_error(inQuotes(folder.host.string()) + " needs " + std::to_string(slots) +
                                 " directory entries; a folder here holds at most " +
                                 std::to_string(kDirectoryCopyEntries) + ".");
}

std::size_t FileAdder::slotsOf(const Item& item)
{
    return Fat12Writer::slotsFor(item.name, item.shortName);
}

// The clusters of a folder's own directory.
std::size_t FileAdder::folderClusters(const Item& folder) const
{
    std::size_t slots = kDotEntries;
    for (const Item& child : folder.children)
        slots += slotsOf(child);
    return (slots * kDirEntrySize + clusterBytes() - 1) / clusterBytes();
}

std::size_t FileAdder::clustersOf(const Item& item) const
{
    if (!item.folder)
        return (item.size + clusterBytes() - 1) / clusterBytes();
    std::size_t clusters = folderClusters(item);
    for (const Item& child : item.children)
        clusters += clustersOf(child);
    return clusters;
}

// The long-name entries and the short entry of an item, in directory order.
std::vector<Fat12Writer::Entry> FileAdder::entriesOf(const Item& item, std::uint16_t firstCluster)
{
    return Fat12Writer::entriesOf(item.name, shortEntry(item.shortName, item.folder ? kDirectory : kArchive,
                                                        firstCluster, static_cast<std::uint32_t>(item.size),
                                                        item.mtime));
}

FileAdder::Names FileAdder::namesOf(const std::vector<const Item*>& items)
{
    Names names;
    for (const Item* item : items)
        names.emplace(Fat12Reader::caseFolded(item->text), item);
    return names;
}

// Whether a short name is the name of another item than `self`.
bool FileAdder::namedAs(const Fat12Writer::ShortName& shortName, const Names& names, const Item& self)
{
    const auto at = names.find(Fat12Reader::caseFolded(Fat12Writer::shortNameText(shortName)));
    return at != names.end() && at->second != &self;
}

// Gives a folder's items short names unique among themselves, none the
// name of another; names FAT takes for one are refused.
void FileAdder::nameChildren(Item& folder)
{
    Names names;
    for (const Item& child : folder.children)
        if (const auto [at, fresh] = names.emplace(Fat12Reader::caseFolded(child.text), &child); !fresh)
            throw std::runtime_error(inQuotes(folder.host.string()) + " holds both " + inQuotes(at->second->text) +
                                     " and " + inQuotes(child.text) +
                                     "; on a diskette, where case does not count, they are one name.");
    std::vector<Fat12Writer::ShortName> taken;
    for (Item& child : folder.children) {
        child.shortName = Fat12Writer::shortNameFor(child.name, [&](const Fat12Writer::ShortName& n) {
            return std::find(taken.begin(), taken.end(), n) != taken.end() || namedAs(n, names, child);
        });
        taken.push_back(child.shortName);
    }
}

std::optional<std::uint16_t> FileAdder::store(const Item& item, std::uint16_t parentCluster, Fat12Writer& writer)
{
    return item.folder ? storeFolder(item, parentCluster, writer) : storeFile(item, writer);
}

std::optional<std::uint16_t> FileAdder::storeFile(const Item& item, Fat12Writer& writer)
{
    const auto chain = writer.allocateChain(clustersOf(item));
    if (!chain) {
        failure_ = noRoomText(item, writer.fat().freeCount());
        return std::nullopt;
    }
    for (std::size_t i = 0; i < chain->size(); ++i) {
        const auto data = writer.clusterData((*chain)[i]);
        const auto from = std::span(item.data).subspan(i * data.size());
        std::copy_n(from.begin(), std::min(from.size(), data.size()), data.begin());
    }
    return chain->empty() ? std::uint16_t{0} : chain->front();
}

std::optional<std::uint16_t> FileAdder::storeFolder(const Item& item, std::uint16_t parentCluster,
                                                    Fat12Writer& writer)
{
    const auto chain = writer.allocateChain(folderClusters(item));
    if (!chain) {
        failure_ = noRoomText(item, writer.fat().freeCount());
        return std::nullopt;
    }
    const std::uint16_t first = chain->front();
    std::vector<Fat12Writer::Entry> entries{shortEntry(dotName(1), kDirectory, first, 0, item.mtime),
                                            shortEntry(dotName(2), kDirectory, parentCluster, 0, item.mtime)};
    for (const Item& child : item.children) {
        const auto childFirst = store(child, first, writer);
        if (!childFirst)
            return std::nullopt;
        const auto own = entriesOf(child, *childFirst);
        entries.insert(entries.end(), own.begin(), own.end());
    }
    const std::size_t perCluster = clusterBytes() / kDirEntrySize;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto data = writer.clusterData((*chain)[i / perCluster]);
        const auto at = static_cast<std::ptrdiff_t>(i % perCluster * kDirEntrySize);
        std::copy(entries[i].begin(), entries[i].end(), data.begin() + at);
    }
    return first;
}

// Stores an item and writes its entries into the directory shown, which
// grows by a cluster when it is a full subdirectory.
bool FileAdder::place(const Item& source, const Names& beside, Fat12Writer& writer)
{
    Item item = source;
    item.shortName = Fat12Writer::shortNameFor(item.name, [&](const Fat12Writer::ShortName& n) {
        return writer.shortNameTaken(n) || namedAs(n, beside, source);
    });
    const std::uint16_t parent = writer.currentCluster();
    const auto first = store(item, parent, writer);
    if (!first)
        return false;
    const auto entries = entriesOf(item, *first);
    auto at = writer.allocateSlots(entries.size());
    while (!at && writer.growDirectory())
        at = writer.allocateSlots(entries.size());
    if (!at) {
        failure_ = FileOps::noEntriesText(writer, item.text, entries.size());
        return false;
    }
    writer.writeEntries(*at, entries);
    return true;
}

std::string FileAdder::noRoomText(const Item& item, std::size_t freeClusters) const
{
    return "The diskette has no room for " + inQuotes(item.text) + ": it needs " +
           byteText(clustersOf(item) * clusterBytes()) + ", and " + byteText(freeClusters * clusterBytes()) +
           " are free.";
}

// Settles a name the directory, or an earlier source, holds already: the
// existing entry is deleted when it may be replaced.
FileAdder::Settled FileAdder::settleName(const Item& item, const std::vector<const Item*>& chosen)
{
    const auto named = [&](const Item* c) { return Fat12Reader::sameName(c->text, item.text); };
    if (std::any_of(chosen.begin(), chosen.end(), named)) {
        refuse(inQuotes(item.text) + " is named twice among the files to add.");
        return Settled::Refused;
    }
    const auto found = Fat12Reader(doc_, prompter_).lookup(item.text);
    if (!found)
        return Settled::Free;
    if (existing_ == Existing::Keep) {
        refuse("This folder holds a file named " + inQuotes(item.text) + " already.");
        return Settled::Refused;
    }
    const std::string question = item.text + std::string(FileSaver::kExistsQuestion);
    if (existing_ == Existing::Ask && prompter_.ask(question, Buttons::YesNo, Icon::Question) != Answer::Yes)
        return Settled::Declined;
    return FileOps(doc_, prompter_).remove(*found) ? Settled::Free : Settled::Refused;
}

// Whether the chosen items fit on the diskette and, in the root, whose size
// is fixed, into its free entries; tells which one does not.
bool FileAdder::roomFor(const std::vector<const Item*>& chosen, Fat12Writer& writer)
{
    std::size_t clusters = writer.fat().freeCount();
    std::size_t slots = writer.freeSlots();
    const bool root = doc_.directory.depth == 0;
    for (const Item* item : chosen) {
        const std::size_t needed = clustersOf(*item);
        if (needed > clusters)
            return refuse(noRoomText(*item, clusters));
        clusters -= needed;
        Item named = *item;
        named.shortName = Fat12Writer::shortNameFor(named.name, [](const Fat12Writer::ShortName&) { return false; });
        const std::size_t entries = slotsOf(named);
        if (root && entries > slots)
            return refuse("The root folder has no room for " + inQuotes(item->text) + ": it needs " +
                          std::to_string(entries) + " directory entries, and " + std::to_string(slots) +
                          " are free.");
        slots -= std::min(slots, entries);
    }
    return true;
}

// An image that holds only the cylinders in use, as a load of part of the
// diskette leaves it, gets the rest as zeroed tracks the FAT has free.
void FileAdder::holdWholeDiskette()
{
    const DriveGeometry& g = doc_.geometry;
    const std::size_t whole = std::size_t{g.totalSectors} * g.bytesPerSector;
    if (doc_.HeldInPart || g.sectorsPerTrack == 0 || doc_.loadedBytes() >= whole || whole > doc_.image().size())
        return;
    std::fill(doc_.image().begin() + static_cast<std::ptrdiff_t>(doc_.loadedBytes()),
              doc_.image().begin() + static_cast<std::ptrdiff_t>(whole), std::uint8_t{0});
    doc_.TracksLoaded = static_cast<std::int32_t>(g.totalSectors / g.sectorsPerTrack);
}

bool FileAdder::add(const std::vector<fs::path>& sources, std::string_view folderName)
{
    added_ = 0;
    if (!doc_.hasImage() || doc_.ImageEmpty != 0 || clusterBytes() == 0)
        return refuse("There is no diskette image in memory to add files to.");
    if (doc_.directory.depth > 0 && Fat12Writer(doc_, prompter_).currentCluster() == 0)
        return refuse((folderName.empty() ? std::string("This folder") : "The folder " + inQuotes(std::string(folderName))) +
                      " has no cluster inside the volume, so nothing can be added to it. Check the diskette for "
                      "errors.");
    std::vector<Item> items;
    try {
        for (const fs::path& source : sources) {
            planned_ = source.string();
            plannedClusters_ = 0;
            seenFolders_.clear();
            if (auto item = plan(source, doc_.directory.depth + 1))
                items.push_back(std::move(*item));
        }
    } catch (const std::exception& e) {
        return refuse(e.what());
    }

    const Before before(doc_);
    holdWholeDiskette();
    Fat12Writer writer(doc_, prompter_);
    std::vector<const Item*> chosen;
    for (const Item& item : items) {
        const Settled settled = settleName(item, chosen);
        if (settled == Settled::Refused)
            return before.restore(doc_);
        if (settled == Settled::Free)
            chosen.push_back(&item);
    }
    if (!roomFor(chosen, writer))
        return before.restore(doc_);
    const Names beside = namesOf(chosen);
    for (const Item* item : chosen)
        if (!place(*item, beside, writer)) {
            before.restore(doc_);
            return refuse(failure_);
        }
    added_ = static_cast<int>(chosen.size());
    if (added_ > 0)
        doc_.imageChanged = true;
    if (const auto outcome = writer.relist(); !outcome.whole())
        prompter_.warn(outcome.warning);
    return true;
}

} // namespace vellum
