#pragma once
// Delete, move and rename of an entry of the directory shown, in the image
// in memory. An entry is named by its short name, which always finds it.
// Each command leaves the volume consistent: a deleted entry's clusters, and
// those of everything below a deleted folder, are freed in both FATs, and
// its long-name entries are deleted with it. The directory is listed again
// afterwards and the image is marked changed; a refused command changes
// nothing.
#include <filesystem>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Fat12Reader;
class Fat12Writer;
class Prompter;
class FileSaver;
struct ListingRecord;

class FileOps {
public:
    static constexpr std::string_view kIllegalNameText =
        "A file name cannot contain any of these characters: \\ / : * ? \" < > |";

    FileOps(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Deletes a file, or a folder with everything below it.
    bool remove(std::string_view shortName);
    // Saves the file to `target`, and deletes it only once it was saved whole.
    bool move(std::string_view shortName, const std::filesystem::path& target, FileSaver& saver);
    // Gives the entry a new long name (UTF-8) and a short name made from it.
    // An empty name changes nothing; a name the folder holds already, or
    // one it has no room for, is refused with a message.
    bool rename(std::string_view shortName, std::string_view newName);
    // The name rename gives: trailing blanks and dots go, as DOS drops them.
    static std::string nameGiven(std::string_view newName);

    // The listed entry of the directory shown whose long or short name is
    // `name`, case ignored, other than the entry `exceptShortName`.
    const ListingRecord* entryNamed(std::string_view name, std::string_view exceptShortName = {}) const;
    // Whether two names are the same, ASCII case ignored, as FAT compares them.
    static bool sameName(std::string_view a, std::string_view b);
    // Why `entries` directory entries in a row for `name` do not fit into the
    // folder shown, which grows as far as it can first: a full diskette when
    // no cluster was left to grow by.
    static std::string noEntriesText(const Fat12Writer& writer, std::string_view name, std::size_t entries);

private:
    bool runsIntoOpenFolder(Fat12Reader& reader) const;
    void freeContents(std::uint16_t folderCluster);
    bool refuse(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
