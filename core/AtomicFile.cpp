#include "core/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Error.h"

namespace vellum {

namespace {

// Temporary files are named TARGET.vellum-PID-XXXXXX: a user sees what they
// are, and a later run knows when the process that made one is gone.
const std::string kTempMark = ".vellum-";
// The host's limit on a name's length, which the temporary name must fit however long the target's.
constexpr std::size_t kMostNameBytes = 255;
// The PID and the XXXXXX after the mark.
constexpr std::size_t kTempTailBytes = 20 + 7;

mode_t newFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return BlockFile::kNewFileMode & ~mask;
}

// The file a write replaces: the end of a chain of symbolic links, so the
// links stay, even one whose target does not exist yet.
std::filesystem::path resolved(std::filesystem::path path)
{
    constexpr int kMaxLinks = 40; // as the kernel allows
    std::error_code ec;
    for (int hops = 0; std::filesystem::is_symlink(path, ec); ++hops) {
        const std::filesystem::path to = std::filesystem::read_symlink(path, ec);
        if (ec || hops == kMaxLinks)
            throw Error("Cannot follow the link \"" + path.string() + "\": " +
                        (ec ? ec.message() : std::string("too many levels of links")) + ".");
        path = to.is_absolute() ? to : path.parent_path() / to;
    }
    return path;
}

// Removes what a killed run left beside `target`.
void removeStaleTemps(const std::filesystem::path& target)
{
    const std::string prefix = target.filename().string() + kTempMark;
    std::error_code ec;
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry.path(), ec);
    }
}

} // namespace

AtomicFile::AtomicFile(const std::filesystem::path& target) : shownName_(target), target_(resolved(target))
{
    BlockFile::checkReplaceable(target_);
    removeStaleTemps(target_);
    struct stat st {};
    const mode_t mode = ::stat(target_.c_str(), &st) == 0 ? st.st_mode & 07777 : newFileMode();
    const std::string name = target_.filename().string();
    const std::string stem = name.substr(0, kMostNameBytes - kTempMark.size() - kTempTailBytes);
    std::string pattern = (target_.parent_path() / stem).string() + kTempMark + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        throw Error(fileErrorText("create a file beside", shownName_));
    temp_ = pattern;
    file_.emplace(BlockFile::adopt(shownName_, fd));
    // mkstemp makes 0600; the replaced file's mode must carry over, or others lose access.
    if (::fchmod(fd, mode) != 0) {
        const std::string text = fileErrorText("set the permissions of a file beside", shownName_);
        ::unlink(temp_.c_str()); // the destructor does not run for a constructor that throws
        throw Error(text);
    }
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
    // Stamped before the rename, so the file never shows under its name with another date.
    if (modified_) {
        const timespec times[2] = {{0, UTIME_OMIT}, {*modified_, 0}};
        if (::utimensat(AT_FDCWD, temp_.c_str(), times, 0) != 0)
            throw Error(fileErrorText("set the date of", shownName_));
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0)
        throw Error(fileErrorText("replace", shownName_));
    temp_.clear();
}

} // namespace vellum
