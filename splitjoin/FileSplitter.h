#pragma once
// Cuts a file into numbered pieces, each a SplitHeader and a payload sized
// for one diskette, asking for media on a removable destination.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "splitjoin/ExistingFiles.h"
#include "splitjoin/SplitSettings.h"

namespace vellum {

class AtomicFile;
class BlockFile;
class CopyProgress;
class Prompter;
class VolumeProbe;

class FileSplitter {
public:
    enum class Status { Completed, Refused, Cancelled, Failed };
    struct Outcome {
        Status status = Status::Completed;
        std::vector<std::string> created; // "Files created:", without folder
    };

    // Files of a piece's name in the destination are replaced, refused or
    // asked about as `existing` says.
    FileSplitter(Prompter& prompter, VolumeProbe& volume, CopyProgress& progress,
                 ExistingFiles existing = ExistingFiles::Refuse)
        : prompter_(prompter), volume_(volume), progress_(progress), existing_(existing) {}

    // Tells every message itself; pieces written before a failure stay, and
    // a cancel through the progress removes every piece of this split. Files
    // in the way are settled before the first piece, and on a removable
    // destination again on each new medium; refused or declined, the split
    // ends there.
    Outcome split(const SplitSettings& settings);

private:
    struct Plan {
        std::string source;
        std::string stored; // the source as the pieces' headers name it
        std::filesystem::path folder;
        std::uint64_t size;
        std::uint32_t payload;
        std::uint64_t count;
        bool removable;
    };

    Plan planFor(const SplitSettings& settings, const BlockFile& source);
    bool refused(const Plan& plan);
    Status writePieces(const Plan& plan, BlockFile& source, Outcome& outcome);
    bool waitForRoom(const Plan& plan);
    bool mayReplace(const Plan& plan, unsigned first);
    void writePiece(const Plan& plan, unsigned number, BlockFile& source);
    void copyPayload(const Plan& plan, BlockFile& source, AtomicFile& piece);
    static void removePieces(const Plan& plan, Outcome& outcome);

    Prompter& prompter_;
    VolumeProbe& volume_;
    CopyProgress& progress_;
    ExistingFiles existing_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t consumed_ = 0; // source bytes in pieces so far
    std::uint64_t written_ = 0;  // piece bytes so far, headers included
};

} // namespace vellum
