#include "splitjoin/FileJoiner.h"

#include <algorithm>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/Prompter.h"
#include "core/BlockFile.h"
#include "splitjoin/CopyProgress.h"

namespace vellum {

namespace {

constexpr std::size_t kBlockSize = 32'768;
constexpr const char* kSeparators = "/\\"; // the stored path may come from Windows
constexpr const char* kCorruptedText = "File is corrupted or is not a member of the split set";
constexpr const char* kSizeMismatchText = "Current filesize does not match original filesize.";

std::string countMismatchText(std::size_t listed, unsigned parts)
{
    return "Files to Join list contains " + std::to_string(listed) + " files;\n\noriginal file was split into " +
           std::to_string(parts) + " parts.";
}

std::string missingPartText(std::size_t position, unsigned parts)
{
    return "Missing part " + std::to_string(position) + " of " + std::to_string(parts) + " parts";
}

struct CancelledByUser {};

int percentOf(std::uint64_t done, std::uint64_t total)
{
    constexpr std::uint64_t kWhole = 100;
    return total == 0 ? static_cast<int>(kWhole) : static_cast<int>(std::min(done * kWhole / total, kWhole));
}

} // namespace

FileJoiner::Outcome FileJoiner::join(const std::vector<std::filesystem::path>& pieces, const std::string& targetFolder)
{
    Outcome outcome;
    if (pieces.empty())
        return outcome;
    buffer_.assign(kBlockSize, 0);
    try {
        BlockFile firstPiece = BlockFile::openRead(pieces.front());
        HeaderBytes bytes{};
        readHeader(firstPiece, bytes);
        const SplitHeader first = SplitHeader::decode(bytes);
        nameTarget(first, targetFolder, outcome);
        if (!setComplete(pieces, first) || !nameUsable(outcome.targetName) ||
            !targetFree(pieces, outcome.target))
            outcome.status = Status::Refused;
        else if (!mayWrite(outcome.target))
            outcome.status = Status::Cancelled;
        else
            outcome.status = copyPieces(pieces, first, outcome.target);
    } catch (const CancelledByUser&) {
        outcome.status = Status::Cancelled;
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
        outcome.status = Status::Failed;
    }
    progress_.ended();
    buffer_ = {};
    return outcome;
}

bool FileJoiner::readHeader(BlockFile& piece, HeaderBytes& into)
{
    return piece.read(into) == into.size();
}

void FileJoiner::nameTarget(const SplitHeader& first, const std::string& targetFolder, Outcome& outcome)
{
    const std::string& stored = first.sourcePath;
    const std::size_t cut = stored.find_last_of(kSeparators);
    outcome.originalPath = cut == std::string::npos ? std::string() : stored.substr(0, cut + 1);
    outcome.targetName = cut == std::string::npos ? stored : stored.substr(cut + 1);
    outcome.target = targetFolder.empty() ? std::filesystem::path(outcome.targetName)
                                          : std::filesystem::path(targetFolder) / outcome.targetName;
}

bool FileJoiner::setComplete(const std::vector<std::filesystem::path>& pieces, const SplitHeader& first)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        BlockFile piece = BlockFile::openRead(pieces[i]);
        HeaderBytes bytes{};
        const bool whole = readHeader(piece, bytes);
        const SplitHeader h = SplitHeader::decode(bytes);
        std::string problem;
        if (!whole)
            problem = kCorruptedText;
        else if (pieces.size() != h.pieceCount)
            problem = countMismatchText(pieces.size(), h.pieceCount);
        else if (h.pieceNumber != i + 1)
            problem = missingPartText(i + 1, h.pieceCount);
        else if (!SplitHeader::hasSignature(bytes) || h.sourcePath != first.sourcePath ||
                 h.sourceSize != first.sourceSize)
            problem = kCorruptedText;
        if (!problem.empty()) {
            prompter_.tell(problem, Icon::Exclamation);
            return false;
        }
    }
    return true;
}

bool FileJoiner::nameUsable(const std::string& name)
{
    // Only a plain name keeps the joined file inside the target folder, and
    // a name with control characters would be a trap in every listing.
    const bool control = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (!name.empty() && name != "." && name != ".." && !control)
        return true;
    prompter_.tell("The split set names its file \"" + name +
                       "\"; only a plain file name can be joined into the target folder.",
                   Icon::Exclamation);
    return false;
}

bool FileJoiner::targetFree(const std::vector<std::filesystem::path>& pieces, const std::filesystem::path& target)
{
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(target, ec)))
        return true;
    for (const std::filesystem::path& piece : pieces) {
        if (std::filesystem::equivalent(piece, target, ec)) {
            prompter_.tell("The joined file \"" + target.string() + "\" would overwrite its own piece \"" +
                               piece.string() + "\"; choose another target folder.",
                           Icon::Exclamation);
            return false;
        }
    }
    if (existing_ != ExistingFiles::Refuse)
        return true;
    prompter_.tell("\"" + target.string() + "\" exists already and is not replaced.", Icon::Exclamation);
    return false;
}

bool FileJoiner::mayWrite(const std::filesystem::path& target)
{
    std::error_code ec;
    if (existing_ != ExistingFiles::Ask || !std::filesystem::exists(target, ec))
        return true;
    const std::string folder = target.parent_path().empty() ? "the current folder"
                                                            : "\"" + target.parent_path().string() + "\"";
    return prompter_.ask("\"" + target.filename().string() + "\" already exists in " + folder +
                             ".\n\nDo you want to replace it?",
                         Buttons::YesNo, Icon::Question) == Answer::Yes;
}

FileJoiner::Status FileJoiner::copyPieces(const std::vector<std::filesystem::path>& pieces, const SplitHeader& first,
                                          const std::filesystem::path& target)
{
    AtomicFile out(target);
    std::uint64_t copied = 0;
    for (const std::filesystem::path& path : pieces) {
        progress_.started(path.filename().string());
        BlockFile piece = BlockFile::openRead(path);
        HeaderBytes header{};
        readHeader(piece, header);
        copied = copyPayload(piece, out, copied, first.sourceSize);
    }
    // A short or missing piece leaves no joined file, and an older one intact.
    if (copied != first.sourceSize) {
        prompter_.tell(kSizeMismatchText, Icon::Information);
        return Status::Failed;
    }
    out.commit();
    return Status::Completed;
}

std::uint64_t FileJoiner::copyPayload(BlockFile& piece, AtomicFile& target, std::uint64_t copied, std::uint32_t total)
{
    for (std::size_t got; (got = piece.read(buffer_)) > 0;) {
        target.write(std::span(buffer_).first(got));
        copied += got;
        progress_.advanced(percentOf(copied, total));
        if (progress_.cancelRequested())
            throw CancelledByUser{}; // the uncommitted target goes with it
    }
    return copied;
}

} // namespace vellum
