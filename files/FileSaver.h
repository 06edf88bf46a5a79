#pragma once
// Saves files of the image in memory to the host disk: one file of the
// directory shown, every file of that directory, or a whole tree, rebuilt
// below a folder or flattened into it.
//
// Names come from the image and may be hostile, so each becomes one safe
// path component (hostName) and nothing is written outside the folder
// chosen. A file is written beside its destination and renamed into place
// only once every byte is there; a file that cannot be read whole is not
// written at all. A saved file keeps the date of its directory entry, as
// mcopy -m does. The directory walks are bounded like the reader's.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Prompter;
class Fat12Reader;
struct ListingRecord;

class FileSaver {
public:
    // What to do when the destination file exists already.
    enum class Existing { Ask, Replace, Keep };

    struct Tally {
        int saved = 0;
        int skipped = 0; // declined at the overwrite question
        int failed = 0;  // not found, unreadable, unwritable, or kept by Existing::Keep
        int kept = 0;    // of those failed, kept by Existing::Keep
    };

    // What a bulk save covers.
    struct Extent {
        int files = 0;
        std::uint64_t bytes = 0;
        void add(std::uint64_t size)
        {
            ++files;
            bytes += size;
        }
    };
    // Told each file's name before a bulk save writes it; false stops the
    // save there, so every file written stays whole and the rest are left out.
    using NextFile = std::function<bool(const std::string& name)>;

    static constexpr std::string_view kExistsQuestion = " already exists.  Do you want to overwrite?";
    FileSaver(CVLMDoc& doc, Prompter& prompter, Existing existing = Existing::Ask);

    // Saves the file at a slot of the directory shown to `target`. False
    // when nothing was written.
    bool saveFile(std::size_t slot, const std::filesystem::path& target);
    // Every file of the directory shown, into `folder`; subdirectories and
    // ".." are left out.
    void saveDirectory(const std::filesystem::path& folder);
    // Every file below the directory whose first cluster is given (0: the
    // root) into `folder`, rebuilding the tree when keepTree is set. Read-only,
    // hidden and system files are saved only with the archive bit. The
    // directory shown stays as it was.
    void saveTree(std::uint16_t firstCluster, const std::filesystem::path& folder, bool keepTree);

    // One path component for a name from the image: "/", "\", control
    // characters and NUL become "_", a name of dots only becomes underscores,
    // and a name too long for the host is cut at a character boundary.
    static std::string hostName(std::string_view name);

    // The files saveDirectory and saveTree would write, and their bytes.
    Extent directoryExtent() const;
    Extent treeExtent(std::uint16_t firstCluster);
    void setNextFile(NextFile next) { next_ = std::move(next); }

    const Tally& tally() const { return tally_; }

private:
    bool mayWrite(const std::filesystem::path& target);
    bool writeChain(std::uint32_t size, const std::filesystem::path& target, Fat12Reader& reader,
                    std::optional<std::time_t> modified);
    void fail(const std::string& text);
    bool goOn(const ListingRecord& record);

    CVLMDoc& doc_;
    Prompter& prompter_;
    Existing existing_;
    Tally tally_;
    NextFile next_;
    bool stopped_ = false;
};

} // namespace vellum
