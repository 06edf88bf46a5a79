// vlm rescue: reads a damaged diskette in passes into an image file, keeps
// a GNU ddrescue map of what was read beside it, and names what each
// unreadable sector held. A second rescue with the same map reads only what
// is still unread, keeping the rest from the image file the first one wrote.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/DisketteOperation.h"
#include "cli/JsonText.h"
#include "cli/Sha256.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/AtomicFile.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/ImageFile.h"
#include "files/DamageReport.h"
#include "ops/RescueEngine.h"

namespace vellum::cli {

namespace {

namespace fs = std::filesystem;
using State = RescueMap::State;

constexpr int kExitUnreadable = 3;

// Each pass's count, above the progress line, or kept for the JSON document.
class PassPrinter : public RescueObserver {
public:
    PassPrinter(TerminalProgress& progress, Json* json) : progress_(progress), json_(json) {}

    void passEnded(int pass, std::uint32_t unread) override
    {
        if (json_) {
            json_->push_back({{"pass", pass}, {"unread", unread}});
            return;
        }
        const char* what = pass == 1 ? "whole tracks" : pass == 2 ? "failed tracks by sector" : "retrying bad sectors";
        progress_.printAbove("Pass " + std::to_string(pass) + " (" + what + "): " + std::to_string(unread) +
                             (unread == 1 ? " sector" : " sectors") + " not read");
    }

private:
    TerminalProgress& progress_;
    Json* json_;
};

struct RescueWords {
    int drive = 0;
    std::string driveWord;
    int passes = RescueEngine::kDefaultPasses;
    fs::path out;
    fs::path map;
    std::optional<fs::path> report;
    std::string description;
    bool assumeYes = false;
    bool json = false;
    std::string commandLine;
};

RescueWords parse(CliArgs& args)
{
    RescueWords w;
    w.assumeYes = args.flag("--yes");
    w.json = args.flag("--json");
    const auto output = args.option("-o");
    const auto map = args.option("--map");
    const auto passes = args.option("--passes");
    const auto report = args.option("--report");
    w.description = descriptionOption(args).value_or("");
    const auto words = args.positionals(1, 1);
    if (!output)
        throw UsageError("name the image file to write with -o OUT");
    w.drive = parseDrive(words[0]);
    w.driveWord = words[0];
    if (passes)
        w.passes = static_cast<int>(parseNumber(*passes, 1, RescueEngine::kMostPasses, "--passes"));
    w.out = imageOutput(*output);
    w.map = map ? fs::path(*map) : fs::path(w.out.string() + ".map");
    if (report)
        w.report = fs::path(*report);
    for (const fs::path& file : {w.out, w.map, w.report.value_or(w.out)})
        checkOutputFile(file);
    w.commandLine = "vlm rescue " + words[0] + " -o " + w.out.string() + " --map " + w.map.string() + " --passes " +
                    std::to_string(w.passes);
    return w;
}

// The map an earlier rescue left, and the image it read into memory.
RescueMap earlierRescue(const RescueWords& w, CVLMDoc& doc, Prompter& prompter)
{
    if (!fs::exists(w.map))
        return {};
    RescueMap map = RescueMap::read(w.map);
    const std::uint32_t read = map.count(State::Read);
    if (read == 0)
        return map;
    if (!fs::exists(w.out) || !ImageFile(doc, prompter).open(w.out))
        throw Error("The map \"" + w.map.string() + "\" holds " + groupedNumber(read) +
                    " sectors read before, which are kept from \"" + w.out.string() +
                    "\", but that image cannot be opened; name the image the map was made with, or a new map");
    if (!w.json)
        std::printf("%s sectors read before are kept from %s\n", groupedNumber(read).c_str(),
                    TerminalText::escaped(w.out.string()).c_str());
    return map;
}

std::string reportText(CVLMDoc& doc, const RescueMap& map)
{
    std::string text = DamageReport(doc, map.unreadable()).text();
    if (const std::uint32_t untried = map.count(State::Untried))
        text += groupedNumber(untried) + " sectors were not tried; a rescue with the same map goes on with them.\n";
    // Names from the image are escaped; the report's own line breaks stay.
    std::string shown;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        shown += TerminalText::escaped(text.substr(start, end - start)) + "\n";
    }
    return shown;
}

// What the rescue read and what each unreadable sector held, as one JSON document.
Json rescueJson(const RescueWords& w, CVLMDoc& doc, const RescueMap& map, Json passes, const std::string& sha256)
{
    const DamageReport damage(doc, map.unreadable());
    const std::uint32_t perCylinder = doc.geometry.sectorsPerTrack * 2;
    Json unreadable = Json::array();
    for (const DamageReport::Hit& hit : damage.hits())
        unreadable.push_back({{"sector", hit.sector},
                              {"cylinder", perCylinder ? hit.sector / perCylinder : 0},
                              {"head", perCylinder ? hit.sector % perCylinder / doc.geometry.sectorsPerTrack : 0},
                              {"sectorInTrack", perCylinder ? hit.sector % doc.geometry.sectorsPerTrack + 1 : 0},
                              {"held", hit.places}});
    return {{"drive", w.driveWord},
            {"image", w.out.string()},
            {"map", w.map.string()},
            {"passes", std::move(passes)},
            {"sectors",
             {{"read", map.count(State::Read)},
              {"unreadable", map.unreadable().size()},
              {"untried", map.count(State::Untried)}}},
            {"unreadable", unreadable},
            {"notes", damage.notes()},
            {"sha256", sha256}};
}

int runRescue(CliArgs& args)
{
    const RescueWords w = parse(args);
    DisketteOperation op(w.assumeYes);
    CVLMDoc& doc = op.session.doc;
    RescueMap map = earlierRescue(w, doc, op.session.prompter);
    doc.SelectedDrive = static_cast<std::uint8_t>(w.drive);
    Json passes = Json::array();
    PassPrinter printer(op.progress, w.json ? &passes : nullptr);
    RescueEngine engine(op.context(), printer);
    engine.run(w.drive, w.passes, map);
    if (!w.json)
        op.printOutcome();
    if (!engine.started())
        return kExitFailure;
    // The image first: a map must never call sectors read that no file holds.
    if (!ImageFile(doc, op.session.prompter).save(w.out, w.description))
        return kExitFailure;
    map.write(w.map, w.commandLine);
    const std::string report = reportText(doc, map);
    if (w.report) {
        AtomicFile file(*w.report);
        file.write(report);
        file.commit();
    }
    const std::string sha256 = sha256Hex(doc.image().first(doc.loadedBytes()));
    if (w.json) {
        Json document = rescueJson(w, doc, map, std::move(passes), sha256);
        document["outcome"] = JsonText::outcome(op.panel);
        JsonText::print(document);
    } else {
        std::fputs(report.c_str(), stdout);
        std::printf("SHA-256 of the diskette image: %s\n", sha256.c_str());
        std::printf("%s -> %s, map %s\n", TerminalText::escaped(w.driveWord).c_str(),
                    TerminalText::escaped(w.out.string()).c_str(), TerminalText::escaped(w.map.string()).c_str());
    }
    switch (doc.OperationState) {
    case kSuccessful: return 0;
    case kUnsuccessful: return kExitUnreadable;
    default: return kExitFailure;
    }
}

} // namespace

extern const Verb kRescueVerb{
    "rescue", "rescue DRIVE -o OUT [--map MAP] [--passes N] [--report FILE] [--description TEXT] [--yes] [--json]",
    "Read a damaged diskette in A: or B: as far as it reads, and name what the rest held.",
    "Reads the whole diskette in passes: pass 1 reads whole tracks in order and passes over a\n"
    "track that fails; pass 2 reads the failed tracks sector by sector; each later pass, up to\n"
    "--passes N (1 to 99, 3 when not given), retries the sectors still bad in reverse order,\n"
    "resetting the drive and seeking across the diskette before each. OUT is written as for\n"
    "load (a Vellum file or a raw image); a sector that never read holds 16 times the 32 bytes\n"
    "E5h \"UNREADABLE SECTOR - SEE THE MAP\". MAP (OUT.map when not given) is a GNU ddrescue\n"
    "mapfile in bytes (ddrescuelog -l- -b512 MAP lists the bad sectors); when it exists, the\n"
    "rescue goes on from it, keeping the sectors it marks read from OUT and reading only the\n"
    "rest. Then vlm prints the damage report, each unreadable sector with the area, file or\n"
    "folder that holds it (--report FILE saves it too), and the SHA-256 of the diskette image.\n"
    "Ctrl-C asks whether to stop; a rescue stopped that way still writes OUT and MAP. The exit\n"
    "status is 0 when every sector was read, 3 when some are unreadable, 1 otherwise. --json\n"
    "prints one JSON document in place of the counts, the report and the SHA-256.\n",
    runRescue};

} // namespace vellum::cli
