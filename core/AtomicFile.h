#pragma once
// A host file written in full beside its final name and renamed into place
// only on commit, so a failed write never leaves a half-written file behind
// nor destroys the file it was to replace. Only a regular file the user may
// write is replaced; a symbolic link is written through, never replaced.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "core/BlockFile.h"

namespace vellum {

class AtomicFile {
public:
    // Throws Error when the target may not be replaced or the temporary file
    // cannot be created.
    explicit AtomicFile(const std::filesystem::path& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes) { file_->write(bytes); }
    void write(std::string_view text);
    // The modification time the file gets on commit, instead of the time of writing.
    void setModified(std::time_t time) { modified_ = time; }
    // Flushes, closes and renames onto the target; throws Error on failure.
    void commit();

private:
    std::filesystem::path shownName_;
    std::filesystem::path target_;
    std::filesystem::path temp_;
    // Named by the target in messages: the temporary name means nothing to a user.
    std::optional<BlockFile> file_;
    std::optional<std::time_t> modified_;
};

} // namespace vellum
