// vlm extract, rm, mv and rename: the files of an image file, saved to the
// host, or deleted, moved out and renamed in the image, which is then
// replaced in place in the format it holds.
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

#include "cli/ImagePath.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/ImageFile.h"
#include "core/RawImageFile.h"
#include "files/FileAdder.h"
#include "files/FileOps.h"
#include "files/FileSaver.h"

namespace vellum::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

bool isFolder(const ListingRecord& r)
{
    return (r.attributes & dirent::kDirectory) != 0;
}

FileSaver::Existing existingFiles(CliArgs& args)
{
    return args.flag("--overwrite") ? FileSaver::Existing::Replace : FileSaver::Existing::Keep;
}

fs::path outputOption(CliArgs& args)
{
    const auto out = args.option("-o");
    if (!out || out->empty())
        throw UsageError("name where to put the files with -o");
    return *out;
}

bool openImage(Session& session, const std::string& path)
{
    return ImageFile(session.doc, session.prompter).open(path);
}

// An image to be changed and saved again, locked until the command ends: one
// held only in part is refused before anything is changed, rather than found
// short of clusters.
bool openImageToChange(Session& session, const std::string& path)
{
    session.lockImage(path);
    if (!openImage(session, path))
        return false;
    if (session.doc.HeldInPart)
        session.prompter.tell(std::string(RawImageFile::kHeldInPartText), Icon::Stop);
    return !session.doc.HeldInPart;
}

// Success is told only once the changed image is on disk.
bool keepImage(Session& session, const std::string& path)
{
    return ImageFile(session.doc, session.prompter).replace(path);
}

// Extracts one file or folder named in the image into `out`; false when
// the image holds nothing of that name.
bool extractPath(Session& session, FileSaver& saver, const std::string& path, const fs::path& out, bool flat)
{
    const auto record = pathsIn(session).resolve(path);
    if (!record)
        return false;
    const fs::path destination = out / FileSaver::hostName(record->longName);
    if (!isFolder(*record)) {
        saver.saveFile(record->slot, destination);
        return true;
    }
    if (!Fat12Reader(session.doc, session.prompter).followEntry(record->slot))
        return false;
    const std::uint16_t cluster = session.doc.directory.chain[0];
    if (cluster == 0) { // the root's mark: the walk would save the root's files as this folder's
        session.prompter.tell(Fat12Reader::noClusterWarning(record->shortName), Icon::Stop);
        return false;
    }
    std::error_code ec;
    if (!flat)
        fs::create_directory(destination, ec);
    saver.saveTree(cluster, flat ? out : destination, !flat);
    return true;
}

int runExtract(CliArgs& args)
{
    const fs::path out = outputOption(args);
    const bool flat = args.flag("--flat");
    const FileSaver::Existing existing = existingFiles(args);
    const auto words = args.positionals(1, kAnyNumber);
    Session session(false);
    if (!openImage(session, words[0]))
        return kExitFailure;
    makeFolder(out);
    FileSaver saver(session.doc, session.prompter, existing);
    int missing = 0;
    if (words.size() == 1)
        saver.saveTree(0, out, !flat);
    for (std::size_t i = 1; i < words.size(); ++i)
        missing += extractPath(session, saver, words[i], out, flat) ? 0 : 1;
    const FileSaver::Tally& t = saver.tally();
    std::printf("%d file%s extracted to %s\n", t.saved, t.saved == 1 ? "" : "s",
                TerminalText::escaped(out.string()).c_str());
    if (t.failed > 0)
        std::fprintf(stderr, "vlm: %d file%s not extracted%s\n", t.failed, t.failed == 1 ? "" : "s",
                     t.kept > 0 ? " (an existing file is replaced only with --overwrite)" : "");
    return t.failed > 0 || missing > 0 ? kExitFailure : 0;
}

int runRm(CliArgs& args)
{
    const auto words = args.positionals(2, kAnyNumber);
    Session session(false);
    if (!openImageToChange(session, words[0]))
        return kExitFailure;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const auto record = pathsIn(session).resolve(words[i]);
        if (!record || !FileOps(session.doc, session.prompter).remove(record->slot))
            return kExitFailure;
    }
    if (!keepImage(session, words[0]))
        return kExitFailure;
    for (std::size_t i = 1; i < words.size(); ++i)
        std::printf("removed %s\n", TerminalText::escaped(words[i]).c_str());
    return 0;
}

int runMv(CliArgs& args)
{
    fs::path out = outputOption(args);
    const FileSaver::Existing existing = existingFiles(args);
    const auto words = args.positionals(2, 2);
    Session session(false);
    if (!openImageToChange(session, words[0]))
        return kExitFailure;
    const auto record = pathsIn(session).resolve(words[1]);
    if (!record)
        return kExitFailure;
    if (isFolder(*record))
        throw UsageError("\"" + words[1] + "\" is a folder; vlm mv moves files (vlm extract saves folders)");
    std::error_code ec;
    if (fs::is_directory(out, ec))
        out /= FileSaver::hostName(record->longName);
    if (fs::equivalent(out, words[0], ec))
        throw UsageError("\"" + out.string() + "\" is the image itself; the file moved there would be lost");
    FileSaver saver(session.doc, session.prompter, existing);
    if (!FileOps(session.doc, session.prompter).move(record->slot, out, saver) ||
        !keepImage(session, words[0]))
        return kExitFailure;
    std::printf("%s -> %s\n", TerminalText::escaped(words[1]).c_str(), TerminalText::escaped(out.string()).c_str());
    return 0;
}

int runRename(CliArgs& args)
{
    const auto words = args.positionals(3, 3);
    if (FileOps::nameGiven(words[2]).empty())
        throw UsageError("\"" + words[2] + "\" is no name: trailing blanks and dots are dropped, and nothing is left");
    Session session(false);
    if (!openImageToChange(session, words[0]))
        return kExitFailure;
    const auto record = pathsIn(session).resolve(words[1]);
    if (!record || !FileOps(session.doc, session.prompter).rename(record->slot, words[2]) ||
        !keepImage(session, words[0]))
        return kExitFailure;
    std::printf("%s -> %s\n", TerminalText::escaped(words[1]).c_str(),
                TerminalText::escaped(FileOps::nameGiven(words[2])).c_str());
    return 0;
}

int runAdd(CliArgs& args)
{
    const std::string folder = args.option("-d").value_or("");
    const FileSaver::Existing existing = existingFiles(args);
    const auto words = args.positionals(2, kAnyNumber);
    Session session(false);
    if (!openImageToChange(session, words[0]))
        return kExitFailure;
    if (!folder.empty() && !pathsIn(session).enter(folder))
        return kExitFailure;
    FileAdder adder(session.doc, session.prompter, existing);
    if (!adder.add({words.begin() + 1, words.end()}, folder) || !keepImage(session, words[0]))
        return kExitFailure;
    std::printf("%d added to %s\n", adder.added(), folder.empty() ? "the root" : TerminalText::escaped(folder).c_str());
    return 0;
}

} // namespace

extern const Verb kAddVerb{
    "add", "add IMAGE HOSTPATH... [-d DIR] [--overwrite]", "Add host files or folders to an image file.",
    "Copies each HOSTPATH, a file or a folder with everything in it, into the root of IMAGE or\n"
    "into its folder DIR (a path as \"vlm ls\" takes). Long names are kept, with short names made\n"
    "from them; each file keeps its modification time. Nothing is changed when anything does not\n"
    "fit (the diskette, or the root's fixed number of entries). A name the folder holds already\n"
    "is refused unless --overwrite is given, which replaces it. IMAGE keeps its format (.VLM or\n"
    "raw) and is replaced only once it has been written in full.\n",
    runAdd};

extern const Verb kExtractVerb{
    "extract", "extract IMAGE [PATH...] -o DIR [--flat] [--overwrite]",
    "Save files of a diskette image to a folder.",
    "Without PATH every file of the image is saved below DIR, keeping its folders; --flat puts\n"
    "them all into DIR itself. A PATH names a file or a folder of the image, folders separated\n"
    "by \"/\", each by its long or short name (case does not matter). Read-only, hidden and\n"
    "system files are saved from folders only with their archive bit. An existing file is kept\n"
    "unless --overwrite is given. Names that no host file may carry (\"..\", \"/\", control\n"
    "characters) are saved with \"_\" in their place, always inside DIR.\n",
    runExtract};

extern const Verb kRmVerb{
    "rm", "rm IMAGE PATH...", "Delete files or folders from an image file.",
    "Deletes each PATH, a folder with everything in it, and frees its clusters in both FATs.\n"
    "IMAGE keeps its format (.VLM or raw) and is replaced only once it has been written in full.\n",
    runRm};

extern const Verb kMvVerb{
    "mv", "mv IMAGE PATH -o HOSTPATH [--overwrite]", "Move a file out of an image file.",
    "Saves the file PATH to HOSTPATH (a file, or a folder to put it in), then deletes it from\n"
    "IMAGE. The image is changed only once the file was saved whole. An existing HOSTPATH is\n"
    "kept unless --overwrite is given.\n",
    runMv};

extern const Verb kRenameVerb{
    "rename", "rename IMAGE PATH NEWNAME", "Rename a file or folder in an image file.",
    "Gives PATH the long name NEWNAME and a short name made from it (upper case, a ~N tail when\n"
    "needed). A name the folder holds already, or one the folder has no room for, is refused.\n",
    runRename};

} // namespace vellum::cli
