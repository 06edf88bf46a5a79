// vlm split and join: a file cut into diskette-sized pieces, and put together again.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

#include "cli/InterruptCatcher.h"
#include "cli/TerminalProgress.h"
#include "cli/TerminalPrompter.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "splitjoin/CopyProgress.h"
#include "splitjoin/FileJoiner.h"
#include "splitjoin/FileSplitter.h"
#include "splitjoin/HostVolumeProbe.h"

namespace vellum::cli {

namespace {

constexpr long kKilobyte = 1024;

// One line on stderr per piece with the whole copy's percentage, redrawn in
// place on a terminal; elsewhere just the piece names. Ctrl-C cancels: the
// engines then take back what they wrote.
class PieceProgress : public CopyProgress {
public:
    void started(const std::string& piece) override
    {
        endLine();
        piece_ = piece;
        if (live_)
            draw();
        else
            std::fprintf(stderr, "%s\n", TerminalText::escaped(piece).c_str());
    }
    void advanced(int percent) override
    {
        if (percent == shown_)
            return;
        shown_ = percent;
        if (live_)
            draw();
    }
    void created(const std::string&) override { endLine(); }
    void ended() override { endLine(); }
    bool cancelRequested() override { return interrupt_.pressed(); }

private:
    void draw()
    {
        std::fprintf(stderr, "\r%s %3d%%", TerminalText::escaped(piece_).c_str(), shown_);
        std::fflush(stderr);
        open_ = true;
    }
    // Questions and messages start on a line of their own.
    void endLine()
    {
        if (open_)
            std::fputc('\n', stderr);
        open_ = false;
    }

    const bool live_ = isatty(fileno(stderr)) != 0;
    InterruptCatcher interrupt_;
    std::string piece_;
    int shown_ = 0;
    bool open_ = false;
};

// --yes answers the exchange-media question with OK, but no one exchanges the
// medium: the same question asked again straight away is cancelled instead.
class OnceYesPrompter : public Prompter {
public:
    explicit OnceYesPrompter(Prompter& inner) : inner_(inner) {}

    Answer ask(const std::string& text, Buttons buttons, Icon icon) override
    {
        const bool repeated = buttons == Buttons::OkCancel && text == last_;
        last_ = repeated ? std::string() : text;
        if (!repeated)
            return inner_.ask(text, buttons, icon);
        inner_.tell("No medium was exchanged; the split ends here.", Icon::Exclamation);
        return Answer::Cancel;
    }

    void warn(const std::string& text) override { inner_.warn(text); }

private:
    Prompter& inner_;
    std::string last_;
};

void chooseSize(SplitSettings& settings, std::string text)
{
    static const std::pair<const char*, std::uint8_t> kRadios[] = {
        {"1.44M", kSize144}, {"1.2M", kSize12}, {"720K", kSize720}, {"360K", kSize360}};
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const auto& [word, type] : kRadios) {
        if (text == word) {
            settings.chooseRadio(type);
            return;
        }
    }
    if (text.size() < 2 || text.back() != 'K')
        throw UsageError("--size must be 1.44M, 1.2M, 720K, 360K or a number of K such as 710K, not \"" + text +
                         "\"");
    const long largest = SplitSettings::PiecePayload(kSize144) / kKilobyte;
    const long k = parseNumber(text.substr(0, text.size() - 1), 1, largest, "--size in K");
    settings.chooseListEntry(std::to_string(k) + "K");
}

// The -o folder, made when it does not exist yet.
std::optional<std::string> outputFolder(CliArgs& args)
{
    auto folder = args.option("-o");
    if (folder && !folder->empty())
        makeFolder(*folder);
    return folder;
}

int runSplit(CliArgs& args)
{
    const bool assumeYes = args.flag("--yes");
    const bool overwrite = args.flag("--overwrite");
    const auto folder = outputFolder(args);
    const auto size = args.option("--size");
    SplitSettings settings;
    settings.m_strSource = args.positionals(1, 1)[0];
    settings.m_strDest = folder.value_or("");
    if (size)
        chooseSize(settings, *size);

    TerminalPrompter terminal(assumeYes);
    OnceYesPrompter onceYes(terminal);
    Prompter& prompter = assumeYes ? static_cast<Prompter&>(onceYes) : terminal;
    HostVolumeProbe volume;
    PieceProgress progress;
    const auto existing = overwrite ? ExistingFiles::Replace : ExistingFiles::Refuse;
    const auto outcome = FileSplitter(prompter, volume, progress, existing).split(settings);
    if (outcome.status == FileSplitter::Status::Completed && outcome.created.empty())
        std::fprintf(stderr, "vlm: \"%s\" is empty; no pieces were written.\n",
                     TerminalText::escaped(settings.m_strSource).c_str());
    if (!outcome.created.empty()) {
        std::puts("Files created:");
        for (const std::string& name : outcome.created)
            std::printf("  %s\n", TerminalText::escaped(name).c_str());
    }
    if (outcome.status == FileSplitter::Status::Cancelled)
        std::fputs("vlm: the split was cancelled\n", stderr);
    return outcome.status == FileSplitter::Status::Completed ? 0 : kExitFailure;
}

int runJoin(CliArgs& args)
{
    const bool overwrite = args.flag("--overwrite");
    const auto folder = outputFolder(args);
    const auto words = args.positionals(1, SIZE_MAX);
    const std::vector<std::filesystem::path> pieces(words.begin(), words.end());

    TerminalPrompter prompter(false);
    PieceProgress progress;
    const auto existing = overwrite ? ExistingFiles::Replace : ExistingFiles::Refuse;
    const auto outcome = FileJoiner(prompter, progress, existing).join(pieces, folder.value_or(""));
    if (outcome.status == FileJoiner::Status::Cancelled)
        std::fputs("vlm: the join was cancelled; no file was written\n", stderr);
    if (outcome.status != FileJoiner::Status::Completed)
        return kExitFailure;
    if (!outcome.originalPath.empty())
        std::printf("Original Path:   %s\n", TerminalText::escaped(outcome.originalPath).c_str());
    std::printf("Target Filename: %s\n%s %s\n", TerminalText::escaped(outcome.targetName).c_str(),
                FileJoiner::kCompletedText, TerminalText::escaped(outcome.target.string()).c_str());
    return 0;
}

} // namespace

extern const Verb kSplitVerb{
    "split", "split FILE [-o DIR] [--size 1.44M|1.2M|720K|360K|NK] [--overwrite] [--yes]",
    "Cut a file into numbered pieces that each fit one diskette.",
    "The pieces go to DIR (made if need be; the current directory without -o), named after FILE\n"
    "without its last extension and numbered .001, .002, ...; each starts with a 268-byte header.\n"
    "--size picks the diskette (1.44M when not given) or a piece payload of N x 1024 bytes (1 to\n"
    "1423). At most 255 pieces make a set. An existing file of a piece's name is replaced only\n"
    "with --overwrite, and never FILE itself. On a removable DIR vlm asks for the next medium\n"
    "between pieces and when there is not room for one; --yes answers OK. Ctrl-C stops the\n"
    "split and removes the pieces it wrote.\n",
    runSplit};

extern const Verb kJoinVerb{
    "join", "join PIECE... [-o DIR] [--overwrite]", "Put a file cut by split together again.",
    "The pieces are taken in the order given and must be the whole set, piece 1 first. The file\n"
    "is named after the name its pieces carry and written into DIR (made if need be; the current\n"
    "directory without -o); it appears only once every piece has been copied and its size matches.\n"
    "An existing file of that name is replaced only with --overwrite, and never a piece of the set.\n"
    "Ctrl-C stops the join; no file is written then.\n",
    runJoin};

} // namespace vellum::cli
