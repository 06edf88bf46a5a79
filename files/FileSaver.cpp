#include "files/FileSaver.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/Error.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"
#include "files/DirectoryTree.h"

namespace vellum {

namespace {

using namespace dirent;

constexpr std::string_view kParentEntry = "..      ";
constexpr std::size_t kMostNameBytes = 255; // a host file name, in bytes
constexpr char kReplacement = '_';

bool unsafeByte(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\';
}

bool isDirectory(const ListingRecord& r)
{
    return (r.attributes & kDirectory) != 0;
}

// Read-only, hidden and system files are left out unless archived.
bool savedInTree(const ListingRecord& r)
{
    return r.attributes == 0 || (r.attributes & kArchive) != 0;
}

bool savedInDirectory(const ListingRecord& r)
{
    return !r.shortName.empty() && r.shortName != kParentEntry && !isDirectory(r);
}

std::string quoted(const std::filesystem::path& path)
{
    return "\"" + path.string() + "\"";
}

} // namespace

FileSaver::FileSaver(CVLMDoc& doc, Prompter& prompter, Existing existing)
    : doc_(doc), prompter_(prompter), existing_(existing)
{
}

std::string FileSaver::hostName(std::string_view name)
{
    std::string out;
    for (const char c : name)
        out.push_back(unsafeByte(static_cast<unsigned char>(c)) ? kReplacement : c);
    out.erase(out.find_last_not_of(' ') + 1);
    if (out.find_first_not_of('.') == std::string::npos)
        out.assign(std::max<std::size_t>(out.size(), 1), kReplacement);
    if (out.size() > kMostNameBytes) {
        std::size_t cut = kMostNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

void FileSaver::fail(const std::string& text)
{
    ++tally_.failed;
    prompter_.tell(text, Icon::Exclamation);
}

bool FileSaver::saveFile(std::size_t slot, const std::filesystem::path& target)
{
    Fat12Reader reader(doc_, prompter_);
    const auto found = reader.followEntry(slot);
    if (!found) {
        ++tally_.failed;
        return false;
    }
    const auto entry = std::span(doc_.directory.copy).subspan(static_cast<std::size_t>(doc_.directory.foundOffset));
    if (entry[kAttributeOffset] & kDirectory) {
        fail(quoted(target.filename()) + " is a folder, not a file.");
        return false;
    }
    if (!found->chain.whole()) {
        fail(found->chain.warning + " " + quoted(target) + " is not saved.");
        return false;
    }
    if (!mayWrite(target))
        return false;
    if (!writeChain(found->size, target, reader, DosTime::toTime(le16(entry, kDateOffset), le16(entry, kTimeOffset))))
        return false;
    ++tally_.saved;
    return true;
}

bool FileSaver::mayWrite(const std::filesystem::path& target)
{
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(target, ec)))
        return true;
    switch (existing_) {
    case Existing::Replace:
        return true;
    case Existing::Keep:
        ++tally_.kept;
        fail(quoted(target) + " already exists; it is kept.");
        return false;
    case Existing::Ask:
        break;
    }
    if (prompter_.ask(target.string() + std::string(kExistsQuestion), Buttons::YesNo, Icon::Question) == Answer::Yes)
        return true;
    ++tally_.skipped;
    return false;
}

bool FileSaver::writeChain(std::uint32_t size, const std::filesystem::path& target, Fat12Reader& reader,
                           std::optional<std::time_t> modified)
{
    try {
        AtomicFile out(target);
        std::uint32_t remaining = size;
        for (const std::uint16_t cluster : doc_.directory.chain) {
            if (cluster == 0 || remaining == 0)
                break;
            const auto data = reader.clusterData(cluster);
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(remaining, data.size()));
            out.write(data.first(n));
            remaining -= n;
        }
        if (remaining > 0) {
            fail("The clusters of " + quoted(target.filename()) + " hold " + groupedNumber(size - remaining) +
                 " of its " + groupedNumber(size) + " bytes; it is not saved. Check the diskette for errors.");
            return false;
        }
        if (modified)
            out.setModified(*modified);
        out.commit();
        return true;
    } catch (const Error& e) {
        fail(e.what());
        return false;
    }
}

bool FileSaver::goOn(const ListingRecord& record)
{
    if (!stopped_ && next_ && !next_(record.longName))
        stopped_ = true;
    return !stopped_;
}

FileSaver::Extent FileSaver::directoryExtent() const
{
    Extent extent;
    for (const ListingRecord& r : doc_.directory.listing)
        if (savedInDirectory(r))
            extent.add(r.size);
    return extent;
}

FileSaver::Extent FileSaver::treeExtent(std::uint16_t firstCluster)
{
    // The save that follows tells what this walk meets.
    SilentPrompter unheard;
    Extent extent;
    DirectoryTree(doc_, unheard)
        .walk(firstCluster, 0, [&](const ListingRecord& r, std::uint16_t, int) -> std::optional<int> {
            if (isDirectory(r))
                return 0;
            if (savedInTree(r))
                extent.add(r.size);
            return std::nullopt;
        });
    return extent;
}

void FileSaver::saveDirectory(const std::filesystem::path& folder)
{
    const std::vector<ListingRecord> listing = doc_.directory.listing;
    for (const ListingRecord& r : listing)
        if (savedInDirectory(r) && goOn(r))
            saveFile(r.slot, folder / hostName(r.longName));
}

void FileSaver::saveTree(std::uint16_t firstCluster, const std::filesystem::path& folder, bool keepTree)
{
    DirectoryTree tree(doc_, prompter_);
    tree.walk(firstCluster, folder,
              [&](const ListingRecord& r, std::uint16_t, const std::filesystem::path& into)
                  -> std::optional<std::filesystem::path> {
                  const std::filesystem::path destination = (keepTree ? into : folder) / hostName(r.longName);
                  if (!isDirectory(r)) {
                      if (savedInTree(r) && goOn(r))
                          saveFile(r.slot, destination);
                      if (stopped_)
                          tree.stop();
                      return std::nullopt;
                  }
                  if (!keepTree)
                      return folder;
                  std::error_code ec;
                  if (!std::filesystem::create_directory(destination, ec) &&
                      !std::filesystem::is_directory(destination)) {
                      fail("Cannot create the folder " + quoted(destination) + ": " +
                           (ec ? ec.message() : "a file of that name is in the way") + ".");
                      return std::nullopt;
                  }
                  return destination;
              });
}

} // namespace vellum
