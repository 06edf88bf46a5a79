#include "drive/PosixSystemCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vellum {

namespace {

template <typename Call>
auto retried(Call call) -> decltype(call())
{
    for (;;) {
        const auto result = call();
        if (result >= 0)
            return result;
        if (errno != EINTR)
            return -errno;
    }
}

} // namespace

int PosixSystemCalls::open(const std::string& path, int flags)
{
    return retried([&] { return ::open(path.c_str(), flags); });
}

int PosixSystemCalls::close(int fd)
{
    // A close is never retried: the descriptor is gone either way.
    return ::close(fd) == 0 ? 0 : -errno;
}

int PosixSystemCalls::ioctl(int fd, unsigned long request, void* arg)
{
    return retried([&] { return ::ioctl(fd, request, arg); });
}

ssize_t PosixSystemCalls::pread(int fd, void* buffer, std::size_t size, off_t offset)
{
    return retried([&] { return ::pread(fd, buffer, size, offset); });
}

ssize_t PosixSystemCalls::pwrite(int fd, const void* buffer, std::size_t size, off_t offset)
{
    return retried([&] { return ::pwrite(fd, buffer, size, offset); });
}

int PosixSystemCalls::fsync(int fd)
{
    return retried([&] { return ::fsync(fd); });
}

int PosixSystemCalls::fstat(int fd, struct stat& st)
{
    return ::fstat(fd, &st) == 0 ? 0 : -errno;
}

int PosixSystemCalls::sgIo(int fd, sg_io_hdr& io)
{
    return ioctl(fd, SG_IO, &io);
}

} // namespace vellum
