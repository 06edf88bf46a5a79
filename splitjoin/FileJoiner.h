#pragma once
// Puts a split set together again: checks that the list is the whole set in
// order, then writes the pieces' payloads into one file named after the
// source, which appears only when every byte of it was copied.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "splitjoin/ExistingFiles.h"
#include "splitjoin/SplitHeader.h"

namespace vellum {

class AtomicFile;
class BlockFile;
class CopyProgress;
class Prompter;

class FileJoiner {
public:
    static constexpr const char* kCompletedText = "Join operation completed ...";

    enum class Status { NothingToJoin, Completed, Refused, Cancelled, Failed };
    struct Outcome {
        Status status = Status::NothingToJoin;
        std::string originalPath; // "Original Path:", up to the stored path's last separator
        std::string targetName;   // "Target Filename:"
        std::filesystem::path target;
    };

    // A piece of the set itself is never replaced, whatever `existing` says.
    FileJoiner(Prompter& prompter, CopyProgress& progress, ExistingFiles existing = ExistingFiles::Refuse)
        : prompter_(prompter), progress_(progress), existing_(existing)
    {
    }

    // Pieces in list order; an empty target folder means the current one.
    // Tells every message itself. A cancel through the progress, or a refused
    // or declined replace, leaves no joined file.
    Outcome join(const std::vector<std::filesystem::path>& pieces, const std::string& targetFolder);

private:
    using HeaderBytes = std::array<std::uint8_t, SplitHeader::kSize>;

    static bool readHeader(BlockFile& piece, HeaderBytes& into);
    static void nameTarget(const SplitHeader& first, const std::string& targetFolder, Outcome& outcome);
    bool setComplete(const std::vector<std::filesystem::path>& pieces, const SplitHeader& first);
    bool nameUsable(const std::string& name);
    bool targetFree(const std::vector<std::filesystem::path>& pieces, const std::filesystem::path& target);
    bool mayWrite(const std::filesystem::path& target);
    Status copyPieces(const std::vector<std::filesystem::path>& pieces, const SplitHeader& first,
                      const std::filesystem::path& target);
    std::uint64_t copyPayload(BlockFile& piece, AtomicFile& target, std::uint64_t copied, std::uint32_t total);

    Prompter& prompter_;
    CopyProgress& progress_;
    ExistingFiles existing_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace vellum
