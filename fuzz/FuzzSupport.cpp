#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

#include "core/StandardFormats.h"

namespace vellum::fuzz {

MemoryFile::MemoryFile(Input bytes) : fd_(::memfd_create("vellum-fuzz", MFD_CLOEXEC))
{
    if (fd_ < 0 || ::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
}

MemoryFile::~MemoryFile()
{
    ::close(fd_);
}

std::filesystem::path MemoryFile::path() const
{
    return "/proc/self/fd/" + std::to_string(fd_);
}

namespace {

struct Folder {
    Folder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellum-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

} // namespace

const std::filesystem::path& privateFolder()
{
    static const Folder folder;
    return folder.path;
}

void layOverSystemArea(CVLMDoc& doc, Input input)
{
    const StandardFormat& format = *formatByCode(6);
    doc.setGeometry(format.geometry());
    doc.TracksLoaded = format.tracks();
    doc.HeldInPart = false;
    const auto image = doc.image();
    constexpr std::size_t kSystemArea = 64 * 1024;
    std::fill(image.begin(), image.begin() + kSystemArea, 0);
    std::copy_n(input.begin(), std::min(input.size(), image.size() - kSectorBytes), image.begin() + kSectorBytes);
    doc.directory.depth = 0;
    doc.directory.chain.fill(0);
}

} // namespace vellum::fuzz
