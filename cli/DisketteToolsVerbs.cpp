// vlm label, format-dmf and compare: the volume label of an image file,
// changed in place, a DMF format of the diskette in a drive, and a compare of
// that diskette with an image file.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/DisketteOperation.h"
#include "cli/JsonText.h"
#include "cli/Session.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/ImageFile.h"
#include "drive/DriveSettings.h"
#include "ops/CompareEngine.h"
#include "ops/DmfFormat.h"
#include "ops/MismatchDialog.h"
#include "ops/MismatchPrintout.h"
#include "ops/MismatchReport.h"
#include "ops/StatusPanel.h"
#include "ops/VolumeLabel.h"

namespace vellum::cli {

namespace {

int runLabel(CliArgs& args)
{
    const bool remove = args.flag("--delete");
    const auto words = args.positionals(1, 2);
    if (remove == (words.size() == 2))
        throw UsageError("give either a new label TEXT or --delete");
    const std::string text = remove ? std::string() : words[1];
    if (!remove && text.empty())
        throw UsageError("an empty label: use --delete to remove the label");
    checkLabel(text);

    Session session(false);
    session.lockImage(words[0]);
    if (!ImageFile(session.doc, session.prompter).open(words[0]))
        return kExitFailure;
    StatusPanel panel;
    TerminalView view;
    if (!VolumeLabel(session.doc, session.prompter, panel, view).apply(text, remove, false))
        return kExitFailure;
    if (!ImageFile(session.doc, session.prompter).replace(words[0]))
        return kExitFailure;
    std::printf("%s: %s\n", TerminalText::escaped(words[0]).c_str(), TerminalText::escaped(panel.volumeLine()).c_str());
    return 0;
}

// Prints each difference with both sectors, or keeps it for the JSON document,
// and goes on behind it: at the next sector, or at the next track when it was
// the track's last sector, so the end-of-track question never comes up. The
// first difference can go to a report file.
class PrintingMismatchDialog : public MismatchDialog {
public:
    PrintingMismatchDialog(std::optional<std::filesystem::path> report, Json* json)
        : report_(std::move(report)), json_(json)
    {
    }

    bool run(MismatchReport& r) override
    {
        ++found_;
        r.resumeMode = r.sector == r.sectorsPerTrack ? kResumeNextTrack : kResumeNextSector;
        if (found_ == 1 && report_)
            MismatchPrintout::writeReport(*report_, r.header(), r.disketteSector(), r.memorySector());
        if (json_) {
            json_->push_back({{"area", r.area.empty() ? Json(nullptr) : Json(r.area)},
                              {"track", std::stoi(r.track)},
                              {"sector", std::stoi(r.sector)},
                              {"offset", std::stoi(r.offset)}});
            return true;
        }
        std::printf("Difference %d: %s, track %s, sector %s, offset %s\n%s\n", found_,
                    r.area.empty() ? "unknown area" : r.area.c_str(), r.track.c_str(), r.sector.c_str(),
                    r.offset.c_str(),
                    MismatchPrintout::reportText(r.header(), r.disketteSector(), r.memorySector()).c_str());
        if (report_ && found_ == 1)
            std::printf("Report of the first difference written to %s\n\n",
                        TerminalText::escaped(report_->string()).c_str());
        return true;
    }
    int found() const { return found_; }

private:
    std::optional<std::filesystem::path> report_;
    Json* json_;
    int found_ = 0;
};

int runCompare(CliArgs& args)
{
    const bool assumeYes = args.flag("--yes");
    const bool json = args.flag("--json");
    const auto report = args.option("--report");
    const auto words = args.positionals(2, 2);
    const int drive = parseDrive(words[1]);
    if (report)
        checkOutputFile(*report);
    DisketteOperation op(assumeYes);
    CVLMDoc& doc = op.session.doc;
    if (!ImageFile(doc, op.session.prompter).open(words[0]))
        return kExitFailure;
    Json differences = Json::array();
    PrintingMismatchDialog dialog(report ? std::optional<std::filesystem::path>(*report) : std::nullopt,
                                  json ? &differences : nullptr);
    doc.SelectedDrive = static_cast<std::uint8_t>(drive);
    doc.OperationState = kUnsuccessful;
    CompareEngine(op.context(), dialog).RunCompare(drive);
    // A compare that stopped early counts only what it got to; "0 differences" would read as a match.
    const bool whole = doc.OperationState == kSuccessful;
    const bool matched = whole && dialog.found() == 0;
    if (json) {
        JsonText::print({{"image", words[0]},
                         {"drive", DriveSettings::driveName(drive)},
                         {"complete", whole},
                         {"matched", matched},
                         {"differences", differences},
                         {"outcome", JsonText::outcome(op.panel)}});
        return matched ? 0 : kExitFailure;
    }
    if (whole || dialog.found() > 0)
        std::printf("%d difference%s%s\n", dialog.found(), dialog.found() == 1 ? "" : "s",
                    whole ? "" : " before the compare stopped");
    op.printOutcome();
    return matched ? 0 : kExitFailure;
}

int runFormatDmf(CliArgs& args)
{
    const bool quick = args.flag("--quick");
    const bool assumeYes = args.flag("--yes");
    const auto label = labelOption(args);
    const auto words = args.positionals(1, 1);
    DisketteOperation op(assumeYes);

    DmfFormatOptions options;
    options.drive = parseDrive(words[0]);
    options.fullFormat = !quick;
    options.label = label.value_or("");
    op.session.doc.SelectedDrive = static_cast<std::uint8_t>(options.drive);
    DmfFormat format(op.context());
    if (!format.checkDrive(options.drive) || !format.confirmQuickFormat(options))
        return kExitFailure;
    const int result = format.FormatDmf(options);
    op.printOutcome();
    return result != 0 && op.session.doc.OperationState == kSuccessful ? 0 : kExitFailure;
}

} // namespace

extern const Verb kFormatDmfVerb{
    "format-dmf", "format-dmf DRIVE [--quick] [--label TEXT] [--yes]",
    "Format the diskette in A: or B: as a 1.68 MB DMF diskette.",
    "Lays down 80 cylinders of 2 x 21 sectors and writes an empty FAT12 file system with 2 KB\n"
    "clusters. --quick lays down only cylinders 0 and 79 of a diskette that is DMF already.\n"
    "--label names the volume (1 to 11 printable ASCII characters, stored in upper case, as\n"
    "DOS allows them: none of \\/:*?\"<>|.+,;=[] and no leading blank); without it \"NO NAME\".\n"
    "The drive must be a 3.5-inch high density drive. Ctrl-C asks whether to stop; the file\n"
    "system is written even then. --yes answers every question with its first button.\n",
    runFormatDmf};

extern const Verb kCompareVerb{
    "compare", "compare IMAGE DRIVE [--report FILE] [--yes] [--json]",
    "Compare the diskette in A: or B: with an image file.",
    "Reads the tracks the image holds from the diskette and prints each difference: its area,\n"
    "track, sector and offset, and both sectors side by side. The compare goes on at the next\n"
    "sector (at the next track after a track's last sector). --report FILE saves the first\n"
    "difference as a text file. The diskette is compared in its own format. The exit status\n"
    "is 0 only when the diskette matched the image. --json prints one JSON document instead,\n"
    "with each difference's area, track, sector and offset.\n",
    runCompare};

extern const Verb kLabelVerb{
    "label", "label IMAGE (TEXT | --delete)", "Set or delete the volume label of an image file.",
    "Writes TEXT (1 to 11 printable ASCII characters, stored in upper case; none of\n"
    "\\/:*?\"<>|.+,;=[] and no leading blank) into the boot sector's label field and the root\n"
    "directory's label entry, adding that entry when the image has none; --delete names the volume \"NO NAME\" and marks the entry deleted.\n"
    "IMAGE is replaced only once it has been written in full.\n",
    runLabel};

} // namespace vellum::cli
