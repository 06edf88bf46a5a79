#include "drive/VirtualMedium.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "drive/DriveStatus.h"

namespace vellum {

namespace {

const std::string kMarkerSuffix = ".unformatted";
constexpr mode_t kNewFileMode = 0666; // before the umask
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

// Closes the descriptor on every path out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int statusOfOpenError(int error)
{
    switch (error) {
    case ENOENT: return kStatusMediaRemoved;
    case EACCES:
    case EPERM:
    case EROFS: return kStatusWriteProtect;
    default: return kStatusHardware;
    }
}

// Repeats a pread or pwrite step over short transfers and interrupts.
template <typename Step>
bool untilDone(std::size_t total, Step step)
{
    std::size_t done = 0;
    while (done < total) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

off_t offsetOf(std::uint32_t sector)
{
    return static_cast<off_t>(sector) * kSectorBytes;
}

// Which file a marker was made for: a marker left beside a file that was
// replaced or written since says nothing about it.
std::string identityOf(const struct stat& st)
{
    return std::to_string(st.st_ino) + " " + std::to_string(st.st_mtim.tv_sec) + " " +
           std::to_string(st.st_mtim.tv_nsec);
}

const StandardFormat* markedCapacity(const std::filesystem::path& marker, const struct stat& file)
{
    // Asked before every transfer: a plain stat answers the usual "no marker"
    // without setting up a stream.
    struct stat markerStat {};
    if (::stat(marker.c_str(), &markerStat) != 0)
        return nullptr;
    std::ifstream in(marker);
    std::string name;
    std::string identity;
    if (!in || !std::getline(in, name) || !std::getline(in, identity) || identity != identityOf(file))
        return nullptr;
    return formatNamed(name);
}

} // namespace

VirtualMedium::VirtualMedium(std::filesystem::path file) : file_(std::move(file))
{
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    size_ = static_cast<std::uintmax_t>(st.st_size);
    readOnly_ = (st.st_mode & kAnyWriteBit) == 0 || ::access(file_.c_str(), W_OK) != 0;
    format_ = formatBySize(size_);
    if (!format_) {
        state_ = State::UnknownSize;
        return;
    }
    const StandardFormat* marked = markedCapacity(markerOf(file_), st);
    state_ = marked == format_ ? State::Blank : State::Formatted;
}

std::filesystem::path VirtualMedium::markerOf(const std::filesystem::path& file)
{
    return std::filesystem::path(file.string() + kMarkerSuffix);
}

std::optional<Bpb> VirtualMedium::bootSectorBpb() const
{
    if (state_ != State::Formatted)
        return std::nullopt;
    std::vector<std::uint8_t> sector(kSectorBytes);
    if (read(0, sector) != kStatusOk)
        return std::nullopt;
    return Bpb::fromBootSector(sector, format_->totalSectors);
}

int VirtualMedium::descriptor() const
{
    if (!open_) {
        const int fd = ::open(file_.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        if (fd < 0)
            return -1;
        open_ = std::shared_ptr<const int>(new int(fd), [](const int* p) {
            ::close(*p);
            delete p;
        });
    }
    return *open_;
}

int VirtualMedium::read(std::uint32_t first, std::span<std::uint8_t> out) const
{
    const int fd = descriptor();
    if (fd < 0)
        return statusOfOpenError(errno);
    const off_t at = offsetOf(first);
    // A file cut short since it was inserted reads as a damaged diskette.
    const bool whole = untilDone(out.size(), [&](std::size_t done) {
        return ::pread(fd, out.data() + done, out.size() - done, at + static_cast<off_t>(done));
    });
    return whole ? kStatusOk : kStatusMediaFailure;
}

int VirtualMedium::write(std::uint32_t first, std::span<const std::uint8_t> data) const
{
    const int fd = descriptor();
    if (fd < 0)
        return statusOfOpenError(errno);
    const off_t at = offsetOf(first);
    const bool whole = untilDone(data.size(), [&](std::size_t done) {
        return ::pwrite(fd, data.data() + done, data.size() - done, at + static_cast<off_t>(done));
    });
    return whole ? kStatusOk : kStatusMediaFailure;
}

int VirtualMedium::formatCylinder(std::uint32_t cylinder, const StandardFormat& layout)
{
    if (cylinder >= layout.cylinders())
        return kStatusInvalid;
    if (&layout != format_) {
        if (const int status = relay(layout); status != kStatusOk)
            return status;
    }
    const std::uint32_t spt = layout.sectorsPerTrack;
    std::vector<std::uint8_t> track(std::size_t{spt} * kSectorBytes, kFormatFillByte);
    for (std::uint32_t head = 0; head < kHeads; ++head) {
        const std::uint32_t first = (cylinder * kHeads + head) * spt;
        if (const int status = write(first, track); status != kStatusOk)
            return status;
    }
    std::error_code ec;
    std::filesystem::remove(markerOf(file_), ec);
    state_ = State::Formatted;
    return kStatusOk;
}

int VirtualMedium::relay(const StandardFormat& layout)
{
    const Fd fd(::open(file_.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return statusOfOpenError(errno);
    // A new layout leaves nothing of the old one readable.
    if (::ftruncate(fd.get(), 0) != 0 || ::ftruncate(fd.get(), static_cast<off_t>(layout.imageBytes())) != 0)
        return kStatusHardware;
    format_ = &layout;
    size_ = layout.imageBytes();
    return kStatusOk;
}

std::filesystem::path VirtualMedium::freeBlankPath(const std::filesystem::path& folder,
                                                   const StandardFormat& capacity)
{
    const std::string stem = "blank-" + std::string(capacity.capacity);
    std::filesystem::path path = folder / (stem + ".img");
    for (int n = 2; std::filesystem::exists(path); ++n)
        path = folder / (stem + "-" + std::to_string(n) + ".img");
    return path;
}

void VirtualMedium::createBlank(const std::filesystem::path& file, const StandardFormat& capacity)
{
    const Fd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (fd.get() < 0) {
        if (errno == EEXIST)
            throw Error("\"" + file.string() + "\" already exists; name a new file for the blank diskette");
        throw Error(fileErrorText("create", file));
    }
    struct stat st {};
    if (::ftruncate(fd.get(), static_cast<off_t>(capacity.imageBytes())) != 0 || ::fstat(fd.get(), &st) != 0) {
        const std::string reason = fileErrorText("size", file);
        std::error_code ec;
        std::filesystem::remove(file, ec);
        throw Error(reason);
    }
    try {
        AtomicFile marker(markerOf(file));
        marker.write(std::string(capacity.capacity) + "\n" + identityOf(st) + "\n");
        marker.commit();
    } catch (const Error&) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        throw;
    }
}

} // namespace vellum
