#include "core/BlockFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"

namespace vellum {

std::string BlockFile::kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a regular file";
}

BlockFile BlockFile::openRead(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw Error(fileErrorText("open", path));
    BlockFile file(path, fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        file.fail("open");
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        throw Error("Cannot open \"" + path.string() + "\": it is " + kindOf(st.st_mode) +
                    ", not a file or a block device.");
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

void BlockFile::checkReplaceable(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return; // a new file
    if (!S_ISREG(st.st_mode))
        throw Error("Cannot replace \"" + path.string() + "\": it is " + kindOf(st.st_mode) +
                    ", and only a regular file is replaced.");
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
        throw Error("Cannot replace \"" + path.string() + "\": the file is read-only.");
}

BlockFile BlockFile::create(const std::filesystem::path& path)
{
    checkReplaceable(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode);
    if (fd < 0)
        throw Error(fileErrorText("create", path));
    return BlockFile(path, fd);
}

BlockFile::BlockFile(BlockFile&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_)
{
    other.fd_ = -1;
}

BlockFile::~BlockFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t BlockFile::read(std::span<std::uint8_t> into)
{
    return readFrom(into, std::nullopt);
}

std::size_t BlockFile::readAt(std::uint64_t offset, std::span<std::uint8_t> into)
{
    return readFrom(into, offset);
}

std::size_t BlockFile::readFrom(std::span<std::uint8_t> into, std::optional<std::uint64_t> offset)
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = offset ? ::pread(fd_, into.data() + done, into.size() - done, static_cast<off_t>(*offset + done))
                                 : ::read(fd_, into.data() + done, into.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("read");
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void BlockFile::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("write");
        done += static_cast<std::size_t>(n);
    }
}

std::uint64_t BlockFile::size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        fail("read the size of");
    return static_cast<std::uint64_t>(st.st_size);
}

void BlockFile::sync()
{
    if (::fdatasync(fd_) != 0)
        fail("write");
}

void BlockFile::close()
{
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail("write");
}

void BlockFile::fail(const char* action) const
{
    throw Error(fileErrorText(action, path_));
}

} // namespace vellum
