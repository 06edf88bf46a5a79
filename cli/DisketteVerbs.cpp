// vlm load and write: the diskette in a drive into an image file, and an
// image file onto one diskette or many, through the load and copy engines.
// Both show progress on the terminal, ask their questions there and end
// with the status panel's lines about the last operation.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/DisketteOperation.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/CVLMDoc.h"
#include "core/ImageFile.h"
#include "ops/CopyEngine.h"
#include "ops/CopyFormatter.h"
#include "ops/LoadEngine.h"

namespace vellum::cli {

namespace {

int runLoad(CliArgs& args)
{
    const bool entire = args.flag("--all");
    const bool assumeYes = args.flag("--yes");
    const auto output = args.option("-o");
    const auto description = descriptionOption(args);
    const auto words = args.positionals(1, 1);
    if (!output)
        throw UsageError("name the image file to write with -o OUT");
    const int drive = parseDrive(words[0]);
    const std::filesystem::path out = imageOutput(*output);
    checkOutputFile(out);

    DisketteOperation op(assumeYes);
    op.session.doc.SelectedDrive = static_cast<std::uint8_t>(drive);
    LoadEngine(op.context()).run(drive, entire);
    op.printOutcome();
    if (op.session.doc.OperationState != kSuccessful || !op.view.listed())
        return kExitFailure;
    if (!ImageFile(op.session.doc, op.session.prompter).save(out, description.value_or("")))
        return kExitFailure;
    std::printf("%s -> %s (%d tracks)\n", TerminalText::escaped(words[0]).c_str(),
                TerminalText::escaped(out.string()).c_str(), op.session.doc.TracksLoaded);
    return 0;
}

int runWrite(CliArgs& args)
{
    const bool verify = args.flag("--verify");
    const bool format = args.flag("--format");
    const bool assumeYes = args.flag("--yes");
    const auto copiesText = args.option("--copies");
    const auto words = args.positionals(2, 2);
    const int copies = copiesText ? static_cast<int>(parseNumber(*copiesText, Options::kMinCopies,
                                                                 Options::kMaxCopies, "--copies"))
                                  : Options::kMinCopies;
    const int drive = parseDrive(words[1]);

    DisketteOperation op(assumeYes);
    CVLMDoc& doc = op.session.doc;
    if (!ImageFile(doc, op.session.prompter).open(words[0]))
        return kExitFailure;
    doc.options.VerifyCopy = verify;
    doc.SelectedDrive = static_cast<std::uint8_t>(drive);
    // Opening the file succeeded; the copy's own outcome decides the exit status.
    doc.OperationState = kUnsuccessful;
    CopyFormatter formatter(op.context());
    // The copy refuses an image held in part; no diskette is formatted for it.
    if (format && !doc.HeldInPart && !formatter.formatDiskette(drive))
        return kExitFailure;
    CopyEngine(op.context(), formatter).RunCopy(drive, copies);
    op.printOutcome();
    return doc.OperationState == kSuccessful ? 0 : kExitFailure;
}

} // namespace

extern const Verb kLoadVerb{
    "load", "load DRIVE -o OUT [--all] [--description TEXT] [--yes]",
    "Read the diskette in A: or B: into an image file.",
    "Reads the cylinders the diskette's FAT marks as used (all of them with --all), after\n"
    "checking that its two FATs agree. OUT is a Vellum file when its name ends in .VLM or has\n"
    "no \".\" (then .VLM is appended), otherwise a raw sector image padded to the diskette's\n"
    "size. Ctrl-C asks whether to stop. Questions are asked on the terminal; --yes answers\n"
    "each with its first button (Retry, Yes, OK). The exit status is 0 only when the load\n"
    "succeeded and OUT was written.\n",
    runLoad};

extern const Verb kWriteVerb{
    "write", "write IMAGE DRIVE [--copies N] [--verify] [--format] [--yes]",
    "Write an image file to one or more diskettes in A: or B:.",
    "Writes the tracks the image holds to the diskette, which must be of the image's format.\n"
    "--verify reads every track back and compares it; --format lays down every cylinder first\n"
    "(an unformatted diskette is offered a format anyway). With --copies N (1 to 99) vlm asks\n"
    "for the next diskette between copies. Ctrl-C asks whether to stop. --yes answers every\n"
    "question with its first button. The exit status is 0 only when the last diskette was\n"
    "written successfully.\n",
    runWrite};

} // namespace vellum::cli
