#include "core/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"

namespace vellum {

namespace {
constexpr mode_t kNewFileMode = 0666; // before the umask, as any new file
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target))
{
    std::string pattern = target_.string() + ".XXXXXX";
    fd_ = mkstemp(pattern.data());
    if (fd_ < 0)
        fail("create a file beside");
    temp_ = pattern;
    // mkstemp makes 0600; keep the mode of the file replaced, or the usual one.
    struct stat st {};
    mode_t mode = kNewFileMode;
    if (::stat(target_.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(fd_, mode);
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFile::write(std::span<const std::uint8_t> bytes)
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

void AtomicFile::write(std::string_view text)
{
    write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void AtomicFile::commit()
{
    if (::fdatasync(fd_) != 0)
        fail("write");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail("write");
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        fail("replace");
    temp_.clear();
}

void AtomicFile::fail(std::string_view action)
{
    throw Error(fileErrorText(action, target_));
}

} // namespace vellum
