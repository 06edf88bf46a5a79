#include "splitjoin/FileSplitter.h"

#include <algorithm>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/Prompter.h"
#include "core/BlockFile.h"
#include "splitjoin/CopyProgress.h"
#include "splitjoin/SplitHeader.h"
#include "splitjoin/VolumeProbe.h"

namespace vellum {

namespace {

constexpr std::size_t kBlockSize = 32'768;
// A removable medium counts as empty enough with this much less than a payload free.
constexpr std::uint64_t kFreeSpaceSlack = 1'024;
// The header's size field is 32 bits.
constexpr std::uint64_t kSourceSizeLimit = std::uint64_t{1} << 32;

constexpr const char* kCurrentFolder = ".";
constexpr const char* kNoSourceText = "Please enter a file to split!";
constexpr const char* kExchangeMediaText = "The selected removable media does not contain \n"
                                           "enough free space.  Please exchange media and \n"
                                           "press OK button when ready. \n";
constexpr const char* kInsertNextText = "Please insert next removable media and  \n"
                                        "press OK button when ready. \n";

// Thrown from the copy loop when the user cancels.
struct CancelledByUser {};

int percentOf(std::uint64_t done, std::uint64_t total)
{
    constexpr std::uint64_t kWhole = 100;
    return static_cast<int>(std::min(done * kWhole / total, kWhole));
}

} // namespace

FileSplitter::Outcome FileSplitter::split(const SplitSettings& settings)
{
    Outcome outcome;
    if (!settings.canSplit()) {
        prompter_.tell(kNoSourceText, Icon::Exclamation);
        outcome.status = Status::Refused;
        return outcome;
    }
    buffer_.assign(kBlockSize, 0);
    consumed_ = written_ = 0;
    try {
        BlockFile source = BlockFile::openRead(settings.m_strSource);
        const Plan plan = planFor(settings, source);
        try {
            outcome.status = refused(plan) ? Status::Refused : writePieces(plan, source, outcome);
        } catch (const CancelledByUser&) {
            removePieces(plan, outcome);
            outcome.status = Status::Cancelled;
        }
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
        outcome.status = Status::Failed;
    }
    progress_.ended();
    buffer_ = {};
    return outcome;
}

FileSplitter::Plan FileSplitter::planFor(const SplitSettings& settings, const BlockFile& source)
{
    Plan plan;
    plan.source = settings.m_strSource;
    // A path too long for the header keeps the file's name, which the join
    // needs; a host file name (255 bytes at most) always fits.
    plan.stored = plan.source.size() <= SplitHeader::kPathSize
                      ? plan.source
                      : std::filesystem::path(plan.source).filename().string();
    plan.folder = settings.m_strDest.empty() ? kCurrentFolder : std::filesystem::path(settings.m_strDest);
    plan.size = source.size();
    plan.payload = settings.payload();
    plan.count = SplitSettings::piecesFor(plan.size, plan.payload);
    plan.removable = volume_.isRemovable(plan.folder);
    return plan;
}

bool FileSplitter::refused(const Plan& plan)
{
    std::string reason;
    if (plan.size >= kSourceSizeLimit) {
        reason = "\"" + plan.source + "\" holds " + std::to_string(plan.size) +
                 " bytes; a file to split must be smaller than " + std::to_string(kSourceSizeLimit) + " bytes.";
    } else if (plan.count > SplitHeader::kMaxPieces) {
        reason = "\"" + plan.source + "\" would need " + std::to_string(plan.count) + " pieces of " +
                 std::to_string(plan.payload) + " bytes; a split set holds at most " +
                 std::to_string(SplitHeader::kMaxPieces) + " pieces. Choose a larger piece size.";
    } else {
        for (std::uint64_t n = 1; n <= plan.count && reason.empty(); ++n) {
            const auto piece = plan.folder / SplitSettings::pieceName(plan.source, static_cast<unsigned>(n));
            std::error_code ec;
            if (std::filesystem::equivalent(piece, plan.source, ec))
                reason = "Piece \"" + piece.string() + "\" would overwrite the file being split; "
                         "choose another destination folder.";
        }
    }
    if (!reason.empty())
        prompter_.tell(reason, Icon::Exclamation);
    return !reason.empty();
}

FileSplitter::Status FileSplitter::writePieces(const Plan& plan, BlockFile& source, Outcome& outcome)
{
    const auto count = static_cast<unsigned>(plan.count);
    for (unsigned n = 1; n <= count; ++n) {
        if (plan.removable && !waitForRoom(plan))
            return Status::Cancelled;
        if ((n == 1 || plan.removable) && !mayReplace(plan, n))
            return existing_ == ExistingFiles::Ask ? Status::Cancelled : Status::Refused;
        writePiece(plan, n, source);
        const std::string name = SplitSettings::pieceName(plan.source, n);
        outcome.created.push_back(name);
        progress_.created(name);
        if (plan.removable && n < count)
            prompter_.tell(kInsertNextText, Icon::Information);
    }
    return Status::Completed;
}

bool FileSplitter::waitForRoom(const Plan& plan)
{
    while (volume_.freeBytes(plan.folder) + kFreeSpaceSlack < plan.payload)
        if (prompter_.ask(kExchangeMediaText, Buttons::OkCancel, Icon::Information) != Answer::Ok)
            return false;
    return true;
}

// Whether the pieces from `first` on may be written over the files of their
// names that the folder holds; the user is told or asked about them at once.
bool FileSplitter::mayReplace(const Plan& plan, unsigned first)
{
    std::vector<std::string> existing;
    for (auto n = static_cast<std::uint64_t>(first); n <= plan.count; ++n) {
        const std::string name = SplitSettings::pieceName(plan.source, static_cast<unsigned>(n));
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(plan.folder / name, ec)))
            existing.push_back(name);
    }
    if (existing.empty() || existing_ == ExistingFiles::Replace)
        return true;
    const bool one = existing.size() == 1;
    const std::string names =
        "\"" + existing.front() + "\"" + (one ? "" : " and " + std::to_string(existing.size() - 1) + " more pieces");
    const std::string folder = plan.folder == kCurrentFolder ? "the current folder" : "\"" + plan.folder.string() + "\"";
    if (existing_ == ExistingFiles::Refuse) {
        prompter_.tell(names + (one ? " exists" : " exist") + " already in " + folder + (one ? " and is" : " and are") +
                           " not replaced.",
                       Icon::Exclamation);
        return false;
    }
    return prompter_.ask(names + (one ? " already exists in " : " already exist in ") + folder +
                             ".\n\nDo you want to replace " + (one ? "it?" : "them?"),
                         Buttons::YesNo, Icon::Question) == Answer::Yes;
}

void FileSplitter::writePiece(const Plan& plan, unsigned number, BlockFile& source)
{
    const std::string name = SplitSettings::pieceName(plan.source, number);
    // Written beside its name: a cut-off piece is of no use to a join, and a
    // file of that name stays as it was until the piece is whole.
    AtomicFile piece(plan.folder / name);
    progress_.started(name);
    const SplitHeader header{plan.stored, static_cast<std::uint32_t>(plan.size), static_cast<std::uint8_t>(number),
                             static_cast<std::uint8_t>(plan.count)};
    piece.write(header.encode());
    written_ += SplitHeader::kSize;
    copyPayload(plan, source, piece);
    piece.commit();
}

void FileSplitter::removePieces(const Plan& plan, Outcome& outcome)
{
    std::error_code ec;
    for (const std::string& name : outcome.created)
        std::filesystem::remove(plan.folder / name, ec);
    outcome.created.clear();
}

void FileSplitter::copyPayload(const Plan& plan, BlockFile& source, AtomicFile& piece)
{
    std::uint64_t left = std::min<std::uint64_t>(plan.payload, plan.size - consumed_);
    while (left > 0) {
        const auto block = std::span(buffer_).first(std::min<std::uint64_t>(left, buffer_.size()));
        const std::size_t got = source.read(block);
        if (got == 0)
            throw Error("\"" + plan.source + "\" ended after " + std::to_string(consumed_) + " of its " +
                        std::to_string(plan.size) + " bytes; it was changed while being split.");
        piece.write(block.first(got));
        left -= got;
        consumed_ += got;
        written_ += got;
        progress_.advanced(percentOf(written_, plan.size));
        if (progress_.cancelRequested())
            throw CancelledByUser{};
    }
}

} // namespace vellum
