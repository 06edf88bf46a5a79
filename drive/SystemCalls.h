#pragma once
// The system calls of the Linux drive backend, behind one seam so that the
// requests it builds and its reading of errors are tested without a drive.
// Each returns what the call returns, or -errno when it fails.
#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

struct sg_io_hdr;

namespace vellum {

class SystemCalls {
public:
    virtual ~SystemCalls() = default;
    virtual int open(const std::string& path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t size, off_t offset) = 0;
    virtual int fsync(int fd) = 0;
    virtual int fstat(int fd, struct stat& st) = 0;
    // One SCSI command through the SG_IO ioctl; its outcome is in `io` too.
    virtual int sgIo(int fd, sg_io_hdr& io) = 0;
};

} // namespace vellum
