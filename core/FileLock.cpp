#include "core/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellum {

namespace {

int lockOrWait(int fd, int operation)
{
    int result = 0;
    while ((result = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    return result;
}

// Whether the descriptor's file is still the one the path names.
bool stillNamed(int fd, const std::filesystem::path& path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

} // namespace

FileLock::FileLock(const std::filesystem::path& path, const std::function<void()>& waiting)
{
    bool told = false;
    for (;;) {
        // Non-blocking, so a FIFO put in the image's place does not hang the open.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0)
            return;
        if (lockOrWait(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            if (!told)
                waiting();
            told = true;
            lockOrWait(fd_, LOCK_EX);
        }
        if (stillNamed(fd_, path))
            return;
        ::close(fd_);
    }
}

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace vellum
