#pragma once
// The real system calls, retried when a signal interrupts them.
#include "drive/SystemCalls.h"

namespace vellum {

class PosixSystemCalls : public SystemCalls {
public:
    int open(const std::string& path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* arg) override;
    ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) override;
    ssize_t pwrite(int fd, const void* buffer, std::size_t size, off_t offset) override;
    int fsync(int fd) override;
    int fstat(int fd, struct stat& st) override;
    int sgIo(int fd, sg_io_hdr& io) override;
};

} // namespace vellum
