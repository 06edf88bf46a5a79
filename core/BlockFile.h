#pragma once
// A host file read or written in blocks, whose failures throw Error naming
// the path and the system's reason.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <sys/types.h>

namespace vellum {

class BlockFile {
public:
    // The mode of a new file, before the umask, as any program gives it.
    static constexpr unsigned kNewFileMode = 0666;

    // A regular file or block device for reading; anything else is refused
    // without waiting for it (a FIFO with no writer).
    // What a path that is not a regular file is, for messages: "a folder", "a device".
    static std::string kindOf(mode_t mode);
    static BlockFile openRead(const std::filesystem::path& path);
    // A new or emptied file for writing; see checkReplaceable.
    static BlockFile create(const std::filesystem::path& path);
    // Throws Error unless `path` is absent or a regular file the user may write.
    static void checkReplaceable(const std::filesystem::path& path);
    // An open descriptor, named in messages by `path`.
    static BlockFile adopt(std::filesystem::path path, int fd) { return BlockFile(std::move(path), fd); }

    BlockFile(BlockFile&& other) noexcept;
    BlockFile& operator=(BlockFile&&) = delete;
    ~BlockFile();

    // Fills `into` as far as the file goes; fewer bytes only at its end.
    std::size_t read(std::span<std::uint8_t> into);
    // The same from `offset` on, leaving the file position alone.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> into);
    void write(std::span<const std::uint8_t> bytes);
    std::uint64_t size() const;
    // Waits until the written bytes are on the device.
    void sync();
    // Closes a written file, reporting a delayed write error.
    void close();

    const std::filesystem::path& path() const { return path_; }

private:
    BlockFile(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::size_t readFrom(std::span<std::uint8_t> into, std::optional<std::uint64_t> offset);
    [[noreturn]] void fail(const char* action) const;

    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace vellum
