#include "cli/ImagePath.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/TerminalText.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/RawImageFile.h"
#include "files/FileListText.h"

namespace vellum::cli {

namespace {

constexpr int kAlternateColumn = 1;

std::string trimmed(const std::string& text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The listed entry named NAME by its long or its short name.
const ListingRecord* findRecord(const CVLMDoc& doc, const std::string& name, bool folderOnly)
{
    const std::string wanted = upper(name);
    for (const ListingRecord& r : doc.directory.listing) {
        const bool isDirectory = (r.attributes & dirent::kDirectory) != 0;
        const std::string shortName = trimmed(FileListText::columnText(r, kAlternateColumn));
        if ((isDirectory || !folderOnly) && (upper(r.longName) == wanted || upper(shortName) == wanted))
            return &r;
    }
    return nullptr;
}

// An image read only as far as its system area gets the clusters of the
// folder about to be listed, NAME in the folder shown.
bool readFolder(Session& session, Fat12Reader& reader, const std::string& name)
{
    if (session.partialImage.empty() || !findRecord(session.doc, name, true))
        return true;
    const ListingRecord record = *findRecord(session.doc, name, true);
    if (!reader.FindEntry(record.shortName))
        return true;
    RawImageFile file(session.doc, session.prompter);
    const std::uint8_t* const store = session.doc.image().data();
    for (const std::uint16_t cluster : session.doc.directory.chain) {
        if (cluster == 0)
            break;
        const std::span<std::uint8_t> data = reader.clusterData(cluster);
        if (!data.empty() &&
            !file.readRange(session.partialImage, static_cast<std::size_t>(data.data() - store), data.size()))
            return false;
    }
    return true;
}

} // namespace

void listRoot(Session& session)
{
    session.doc.directory.chain.fill(0);
    session.doc.directory.depth = 0;
    const Fat12Reader::Outcome outcome = Fat12Reader(session.doc, session.prompter).ReadDirectory();
    if (!outcome.whole())
        session.prompter.warn(outcome.warning);
}

bool enterPath(Session& session, const std::string& path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        Fat12Reader reader(session.doc, session.prompter);
        const int depth = session.doc.directory.depth;
        if (name == "..") {
            if (depth > 0 && !readFolder(session, reader, name))
                return false;
            const Fat12Reader::Outcome outcome = reader.leaveDirectory();
            if (!outcome.whole())
                session.prompter.warn(outcome.warning);
            continue;
        }
        const ListingRecord* dir = findRecord(session.doc, name, true);
        if (!dir) {
            std::fprintf(stderr, "vlm: error: no directory \"%s\" in \"%s\"\n", TerminalText::escaped(name).c_str(),
                         TerminalText::escaped(path).c_str());
            return false;
        }
        if (!readFolder(session, reader, name))
            return false;
        const Fat12Reader::Outcome outcome = reader.enterDirectory(dir->shortName);
        // Stopped at the depth bound: the listing would be of another directory.
        if (session.doc.directory.depth == depth) {
            session.prompter.tell(outcome.warning, Icon::Stop);
            return false;
        }
        if (!outcome.whole())
            session.prompter.warn(outcome.warning);
    }
    return true;
}

std::optional<ListingRecord> resolve(Session& session, const std::string& path)
{
    listRoot(session);
    std::string inside = path;
    inside.erase(inside.find_last_not_of('/') + 1);
    const std::size_t slash = inside.rfind('/');
    const std::string name = slash == std::string::npos ? inside : inside.substr(slash + 1);
    if (slash != std::string::npos && !enterPath(session, inside.substr(0, slash)))
        return std::nullopt;
    const ListingRecord* record = name.empty() ? nullptr : findRecord(session.doc, name, false);
    if (!record || record->shortName.rfind("..", 0) == 0) {
        std::fprintf(stderr, "vlm: error: no file or directory \"%s\" in the image\n",
                     TerminalText::escaped(path).c_str());
        return std::nullopt;
    }
    return *record;
}

} // namespace vellum::cli
