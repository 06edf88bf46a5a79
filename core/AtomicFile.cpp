#include "core/AtomicFile.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"

namespace vellum {

namespace {

constexpr std::size_t kMostNameBytes = 255;
constexpr std::string_view kTempSuffix = ".XXXXXX";

// The mode of the file replaced, or what a new file would get.
mode_t modeFor(const std::filesystem::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return BlockFile::kNewFileMode & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target))
{
    // The temporary name must fit the host's name limit, however long the target's.
    const std::string name = target_.filename().string();
    std::string pattern = (target_.parent_path() / name.substr(0, kMostNameBytes - kTempSuffix.size())).string();
    pattern += kTempSuffix;
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw Error(fileErrorText("create a file beside", target_));
    temp_ = pattern;
    file_.emplace(BlockFile::adopt(target_, fd));
    ::fchmod(fd, modeFor(target_)); // mkstemp makes 0600
}

AtomicFile::~AtomicFile()
{
    file_.reset();
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

void AtomicFile::write(std::string_view text)
{
    write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void AtomicFile::commit()
{
    file_->sync();
    file_->close();
    if (std::rename(temp_.c_str(), target_.c_str()) != 0)
        throw Error(fileErrorText("replace", target_));
    temp_.clear();
}

} // namespace vellum
