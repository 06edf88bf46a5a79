#pragma once
// A host file written in full beside its final name and renamed into place
// only on commit, so a failed write never leaves a half-written file behind
// nor destroys the file it was to replace.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace vellum {

class AtomicFile {
public:
    // Throws Error when the temporary file cannot be created.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void write(std::string_view text);
    // Flushes, closes and renames onto the target; throws Error on failure.
    void commit();

private:
    [[noreturn]] void fail(std::string_view action);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
};

} // namespace vellum
