#pragma once
// A FAT12 diskette image built and inspected by real peers: formatted by
// mformat or mkfs.fat, filled with mcopy, mmd, mattrib, mdel and mlabel,
// read back with mdir and mcopy as the oracle for what the reader finds.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TempDir.h"

namespace vellum {
class CVLMDoc;
}

namespace vellum::test {

class MtoolsImage {
public:
    // One row of mdir: the 8.3 name as "NAME.EXT" (UTF-8), the long name
    // (empty when the entry has none) and the size (0 for a directory).
    struct DirRow {
        std::string shortName;
        std::string longName;
        std::uint32_t size = 0;
        bool isDirectory = false;
    };

    enum class Maker { Mformat, MkfsFat };

    // Formats a new image: mformat -C ARGS (e.g. "-f 1440"), or
    // mkfs.fat -C IMAGE ARGS (e.g. "720", the size in KB).
    MtoolsImage(Maker maker, const std::string& args);

    MtoolsImage(const MtoolsImage&) = delete;
    MtoolsImage& operator=(const MtoolsImage&) = delete;

    const std::filesystem::path& path() const { return image_; }

    // Files are stamped with mtime so their DOS times are known.
    void addFile(const std::string& dosPath, std::span<const std::uint8_t> content, std::time_t mtime = kStamp);
    void addFile(const std::string& dosPath, std::string_view content) { addFile(dosPath, bytesOf(content)); }
    // Many empty files in one mcopy: names are host names, all into dosDirectory.
    void addEmptyFiles(const std::string& dosDirectory, const std::vector<std::string>& names);
    void makeDirectories(const std::vector<std::string>& dosPaths);
    void setAttributes(const std::string& flags, const std::string& dosPath);
    void remove(const std::string& dosPath);
    void label(const std::string& text);

    std::vector<DirRow> mdir(const std::string& dosPath) const;
    std::vector<std::uint8_t> extract(const std::string& dosPath) const;
    // mcopy -m: the file onto the host, dated as its directory entry.
    void extractTo(const std::string& dosPath, const std::filesystem::path& host) const;
    // mdir's own text for a directory.
    std::string mdirText(const std::string& dosPath) const;

    // Copies the image into the document's store and sets the geometry from
    // the boot sector, every track loaded.
    void loadInto(CVLMDoc& doc) const;

    // 2000-01-07 14:05:06 UTC.
    static constexpr std::time_t kStamp = 947'253'906;

private:
    static std::span<const std::uint8_t> bytesOf(std::string_view s)
    {
        return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
    }
    // Runs an mtools command on the image; fails the test on a non-zero exit.
    std::string mtools(const std::string& command) const;

    TempDir dir_;
    std::filesystem::path image_;
};

// A shell-quoted argument.
std::string shellQuoted(std::string_view text);
// Reproducible content for files put into an image.
std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed);
// The free space mdir reports for the image's root.
std::size_t mdirFreeBytes(const std::filesystem::path& image);
// Whether fsck.fat -n finds nothing to mend.
bool fsckClean(const std::filesystem::path& image);
// Runs a command and returns its standard output; fails the test unless it exits 0.
std::string runCommand(const std::string& command);

} // namespace vellum::test
