// vlm info, ls and convert: the image core on image files.
#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/ImagePath.h"
#include "cli/JsonText.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/ImageFile.h"
#include "core/MediaTable.h"
#include "core/StandardFormats.h"
#include "core/TextCodec.h"
#include "files/FileListText.h"
#include "ops/BlankImage.h"

namespace vellum::cli {

namespace {

constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

std::string trimmed(const std::string& text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::string formatNameOf(const CVLMDoc& doc)
{
    if (const auto index = FormatOf(doc.geometry))
        return trimmed(std::string(FormatNames[static_cast<std::size_t>(*index)]));
    if (doc.geometry.MediaCode == kMediaCode288)
        return "2.88Mb (only the first " + std::to_string(doc.TracksLoaded) + " tracks are held in memory)";
    return "unknown";
}

void printInfo(const std::string& path, const CVLMDoc& doc, const std::string& description)
{
    const DriveGeometry& g = doc.geometry;
    const AreaPointers& a = doc.areas;
    const std::string label = trimmed(TextCodec::cp850ToUtf8(doc.volumeLabelText()));
    std::printf("File:            %s\n", TerminalText::escaped(path).c_str());
    std::printf("Format:          %s\n", formatNameOf(doc).c_str());
    std::printf("Media code:      0x%03X\n", g.MediaCode);
    if (ImageFile::isVlmName(path) || !description.empty())
        std::printf("Description:     %s\n", TerminalText::escaped(description).c_str());
    std::printf("Volume label:    %s\n", label.empty() ? "(none)" : TerminalText::escaped(label).c_str());
    std::printf("Tracks:          %d loaded, %u on the diskette\n", doc.TracksLoaded,
                g.sectorsPerTrack ? g.totalSectors / g.sectorsPerTrack : 0u);
    std::printf("Geometry:        %u bytes per sector, %u sectors per track, %u total sectors\n",
                g.bytesPerSector, g.sectorsPerTrack, g.totalSectors);
    std::printf("                 %u sectors per cluster, %u reserved, %u FATs of %u sectors, %u root entries\n",
                g.sectorsPerCluster, g.reservedSectors, g.numberOfFats, g.sectorsPerFat, g.rootEntries);
    std::printf("Areas:           Boot Sector 0x%06zX, FAT 1 0x%06zX, FAT 2 0x%06zX,\n", a.bootSector, a.fat1,
                a.fat2);
    std::printf("                 Root Directory 0x%06zX, Data Area 0x%06zX\n", a.rootDirectory, a.dataArea);
}

// Display width of UTF-8 text: one column per code point.
std::size_t columns(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(),
                                                  [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void printListing(const CVLMDoc& doc)
{
    const auto& listing = doc.directory.listing;
    std::vector<std::array<std::string, FileListText::kColumns.size()>> rows;
    std::array<std::string, FileListText::kColumns.size()> header;
    for (std::size_t c = 0; c < header.size(); ++c)
        header[c] = FileListText::kColumns[c].title;
    rows.push_back(header);
    if (listing.empty())
        rows.push_back({std::string(FileListText::placeholder(doc.ImageEmpty != 0))});
    for (const ListingRecord& r : listing) {
        rows.emplace_back();
        for (std::size_t c = 0; c < header.size(); ++c)
            rows.back()[c] = TerminalText::escaped(FileListText::columnText(r, static_cast<int>(c)));
    }
    std::array<std::size_t, FileListText::kColumns.size()> width{};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], columns(row[c]));
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += std::string(width[c] - columns(row[c]) + 2, ' ');
        }
        std::printf("%s\n", trimmed(line).c_str());
    }
}

// Shows each image in turn; with several, each under a "==> NAME <==" line as
// head prints them, unless the output is one JSON document. A bad image is
// told and the others still shown.
int forEachImage(const std::vector<std::string>& images, bool json,
                 const std::function<bool(Session&, const std::string&)>& show)
{
    int status = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images.size() > 1 && !json) {
            std::printf("%s==> %s <==\n", i ? "\n" : "", TerminalText::escaped(images[i]).c_str());
            std::fflush(stdout); // before an error on stderr
        }
        // A fresh document each, so nothing of one image shows in the next;
        // settings that cannot be read end the whole command.
        Session session(false);
        try {
            if (!show(session, images[i]))
                status = kExitFailure;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vlm: error: %s\n", TerminalText::escaped(e.what()).c_str());
            status = kExitFailure;
        }
    }
    return status;
}

int runInfo(CliArgs& args)
{
    const bool json = args.flag("--json");
    Json images = Json::array();
    const int status =
        forEachImage(args.positionals(1, kAnyNumber), json, [&](Session& session, const std::string& path) {
            ImageFile file(session.doc, session.prompter);
            if (!file.open(path, ImageExtent::SystemArea))
                return false;
            if (json)
                images.push_back(JsonText::info(path, formatNameOf(session.doc), session.doc));
            else
                printInfo(path, session.doc, file.description());
            return true;
        });
    if (json)
        JsonText::print({{"images", images}});
    return status;
}

bool isDotEntry(const ListingRecord& r)
{
    return r.shortName.starts_with(".");
}

bool isFolder(const ListingRecord& r)
{
    return (r.attributes & dirent::kDirectory) && !isDotEntry(r);
}

// The entries of FOLDER ("" for the root), from the root each time, as
// listing a folder replaces what the document holds.
std::optional<std::vector<ListingRecord>> folderListing(Session& session, const std::string& folder)
{
    VolumePath paths = pathsIn(session);
    paths.listRoot();
    if (!folder.empty() && !paths.enter(folder))
        return std::nullopt;
    return session.doc.directory.listing;
}

std::string subfolder(const std::string& folder, const ListingRecord& r)
{
    return (folder.empty() ? "" : folder + "/") + trimmed(TextCodec::shortNameToUtf8(r.shortName));
}

// FOLDER's entries, each folder's with them when RECURSIVE.
std::optional<Json> jsonEntries(Session& session, const std::string& folder, bool recursive)
{
    const auto listing = folderListing(session, folder);
    if (!listing)
        return std::nullopt;
    Json entries = Json::array();
    for (const ListingRecord& r : *listing) {
        entries.push_back(JsonText::entry(r));
        if (recursive && isFolder(r)) {
            const auto inner = jsonEntries(session, subfolder(folder, r), true);
            if (!inner)
                return std::nullopt;
            entries.back()["entries"] = *inner;
        }
    }
    return entries;
}

// FOLDER's listing under a "/FOLDER:" line, then each folder's below it, as ls -R prints them.
bool printTree(Session& session, const std::string& folder)
{
    const auto listing = folderListing(session, folder);
    if (!listing)
        return false;
    std::printf("/%s:\n", TerminalText::escaped(folder).c_str());
    printListing(session.doc);
    for (const ListingRecord& r : *listing) {
        if (!isFolder(r))
            continue;
        std::printf("\n");
        if (!printTree(session, subfolder(folder, r)))
            return false;
    }
    return true;
}

struct LsWords {
    std::vector<std::string> images;
    std::string folder; // empty for the root
    bool recursive = false;
    bool json = false;
};

LsWords parseLs(CliArgs& args)
{
    LsWords w;
    w.recursive = args.flag("-R");
    w.json = args.flag("--json");
    w.images = args.positionals(1, kAnyNumber);
    // The last of several words names a folder, unless it is a file.
    if (w.images.size() > 1 && !std::filesystem::exists(w.images.back())) {
        w.folder = w.images.back();
        w.images.pop_back();
    }
    return w;
}

int runLs(CliArgs& args)
{
    const LsWords w = parseLs(args);
    Json images = Json::array();
    const int status = forEachImage(w.images, w.json, [&](Session& session, const std::string& path) {
        ImageFile file(session.doc, session.prompter);
        if (!file.open(path, ImageExtent::SystemArea))
            return false;
        if (file.partial())
            session.partialImage = path;
        if (!w.json && w.recursive)
            return printTree(session, w.folder);
        if (!w.json) {
            const bool listed = folderListing(session, w.folder).has_value();
            if (listed)
                printListing(session.doc);
            return listed;
        }
        const auto entries = jsonEntries(session, w.folder, w.recursive);
        if (entries)
            images.push_back({{"file", path}, {"folder", w.folder}, {"entries", *entries}});
        return entries.has_value();
    });
    if (w.json)
        JsonText::print({{"images", images}});
    return status;
}

int runConvert(CliArgs& args)
{
    const auto description = descriptionOption(args);
    const auto words = args.positionals(2, 2);
    const std::filesystem::path out = imageOutput(words[1]);
    Session session(false);
    ImageFile in(session.doc, session.prompter);
    if (!in.open(words[0]))
        return kExitFailure;
    const std::string text = description.value_or(in.description());
    if (!ImageFile(session.doc, session.prompter).save(out, text))
        return kExitFailure;
    std::printf("%s -> %s\n", TerminalText::escaped(words[0]).c_str(), TerminalText::escaped(out.string()).c_str());
    return 0;
}

int runNew(CliArgs& args)
{
    const auto out = args.option("-o");
    if (!out || out->empty())
        throw UsageError("name the new image file with -o");
    const std::string label = labelOption(args).value_or("");
    const bool overwrite = args.flag("--overwrite");
    const std::string word = args.positionals(1, 1)[0];
    const StandardFormat* format = BlankImage::formatNamed(word);
    if (!format)
        throw UsageError("\"" + word + "\" is no format a new image can have (360K, 720K, 1.2M, 1.44M or DMF)");
    const std::filesystem::path path = imageOutput(*out);
    if (!overwrite && std::filesystem::exists(path))
        throw std::runtime_error("\"" + path.string() + "\" exists already; it is replaced only with --overwrite");
    Session session(false);
    if (!BlankImage(session.doc, session.prompter).create(*format, label) ||
        !ImageFile(session.doc, session.prompter).save(path, {}))
        return kExitFailure;
    std::printf("%s diskette -> %s\n", std::string(format->name).c_str(),
                TerminalText::escaped(path.string()).c_str());
    return 0;
}

} // namespace

extern const Verb kNewVerb{
    "new", "new 360K|720K|1.2M|1.44M|DMF -o FILE [--label TEXT] [--overwrite]",
    "Make a newly formatted, empty diskette image.",
    "FILE gets the boot sector, FATs and root directory Vellum writes when it formats a diskette\n"
    "of that capacity (DMF: 1.68 MB in 21 sectors per track), and the volume label TEXT, if any.\n"
    "FILE is written as a Vellum file when its name ends in .VLM, or has no \".\" at all (then\n"
    ".VLM is appended); any other name gives a raw sector image. An existing FILE is kept\n"
    "unless --overwrite is given. \"vlm add\" then puts files on it.\n",
    runNew};

extern const Verb kInfoVerb{
    "info", "info IMAGE... [--json]", "Show the format, label, geometry and areas of diskette images.",
    "IMAGE is a Vellum file (.VLM) or a raw sector image (.img, .ima, any other name), or an\n"
    "archive image told by its content: ImageDisk (.IMD), Teledisk (.TD0), CopyQM (.CQM), or a\n"
    "raw or ImageDisk image packed by gzip, xz or zip; ZIP:NAME names one image in a zip file.\n"
    "Several images are shown in turn, each under a line \"==> IMAGE <==\"; a bad one is\n"
    "reported and the others still shown, and the exit status is 1 if any failed.\n"
    "--json prints one JSON document instead, {\"images\": [...]}, with the fields README names.\n",
    runInfo};

extern const Verb kLsVerb{
    "ls", "ls IMAGE... [DIR] [-R] [--json]", "List a directory of diskette images.",
    "Lists the root directory, or DIR: a path of directories below the root, separated by \"/\",\n"
    "each named by its long or its short name (case does not matter), e.g. DOCS/Letters.\n"
    "The last of several words is DIR when no file of that name exists. Several images are\n"
    "listed in turn, each under a line \"==> IMAGE <==\", as info shows them.\n"
    "The columns are those of the file list: Name, Alternate, Size, Attributes, Modified.\n"
    "-R lists every folder below as well, each under a line \"/PATH:\". --json prints one JSON\n"
    "document instead, {\"images\": [...]}, a folder's entries under \"entries\" with -R.\n",
    runLs};

extern const Verb kConvertVerb{
    "convert", "convert IN OUT [--description TEXT]", "Convert between Vellum files, ImageDisk files and raw images.",
    "IN is any image info takes. OUT is written as a Vellum file when its name ends in .VLM, or\n"
    "has no \".\" at all (then .VLM is appended); as an ImageDisk file when it ends in .IMD, with\n"
    "each sector a rescue could not read as \"data unavailable\"; any other name gives a raw\n"
    "sector image. --description sets the Vellum file's description or the ImageDisk comment\n"
    "(60 characters at most); without it IN's own is kept.\n"
    "OUT is replaced only once it has been written in full.\n",
    runConvert};

} // namespace vellum::cli
