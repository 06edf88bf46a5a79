#pragma once
// Delete, move and rename of an entry of the directory shown, in the image
// in memory. An entry is named by its slot, so the command acts on the
// entry that was listed, whatever names its neighbours share with it.
// Each command leaves the volume consistent: a deleted entry's clusters,
// and those of everything below a deleted folder, are freed in both FATs,
// and its long-name entries are deleted with it. A cross-linked cluster,
// one that another entry also reaches, is kept for that entry. The
// directory is listed again afterwards and the image is marked changed; a
// refused command changes nothing.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Fat12Writer;
class Prompter;
class FileSaver;

class FileOps {
public:
    static constexpr std::string_view kIllegalNameText =
        "A file name cannot contain any of these characters: \\ / : * ? \" < > |";

    FileOps(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Deletes a file, or a folder with everything below it.
    bool remove(std::size_t slot);
    // Saves the file to `target`, and deletes it only once it was saved whole.
    bool move(std::size_t slot, const std::filesystem::path& target, FileSaver& saver);
    // Gives the entry a new long name (UTF-8) and a short name made from it.
    // An empty name changes nothing; a name the folder holds already, or
    // one it has no room for, is refused with a message.
    bool rename(std::size_t slot, std::string_view newName);
    // The name rename gives: trailing blanks and dots go, as DOS drops them.
    static std::string nameGiven(std::string_view newName);

    // Why `entries` directory entries in a row for `name` do not fit into the
    // folder shown, which grows as far as it can first: a full diskette when
    // no cluster was left to grow by.
    static std::string noEntriesText(const Fat12Writer& writer, std::string_view name, std::size_t entries);

private:
    using Clusters = std::set<std::uint16_t>;
    Clusters chainFollowed() const;
    Clusters clustersBelow(std::uint16_t folderCluster);
    Clusters clustersOfOthers(std::uint16_t folderShown, std::size_t slot);
    bool refuse(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
};

} // namespace vellum
