#pragma once
// Adds host files and folder trees to the directory shown of the image in
// memory. Every host file is read whole while the add is planned, and the
// plan stops once it outgrows the diskette; a folder met again within one
// tree (through a link) is left out. The room on the diskette and in the
// root is checked next, and whatever still fails on the way (a full folder)
// puts the image back as it was, so a refused add changes nothing. An image
// that holds only the cylinders in use is given the rest of the diskette.
// Added entries carry the host file's modification time; the image is
// marked changed and the directory listed again.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Fat12Writer.h"
#include "files/FileSaver.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class FileAdder {
public:
    // An existing name is asked about (Ask), replaced, or refused (Keep).
    using Existing = FileSaver::Existing;

    FileAdder(CVLMDoc& doc, Prompter& prompter, Existing existing = Existing::Ask)
        : doc_(doc), prompter_(prompter), existing_(existing)
    {
    }

    // True when every source the user did not decline at the overwrite
    // question was added; false, with the image unchanged, after telling why.
    // `folderName` names the folder shown in messages ("This folder" without).
    bool add(const std::vector<std::filesystem::path>& sources, std::string_view folderName = {});

    // How many sources were added by the last add.
    int added() const { return added_; }

private:
    struct Item {
        std::filesystem::path host;
        std::u16string name;
        std::string text; // the name in UTF-8, for messages
        bool folder = false;
        std::vector<std::uint8_t> data; // a file's bytes
        std::uintmax_t size = 0;
        std::time_t mtime = 0;
        Fat12Writer::ShortName shortName{};
        std::vector<Item> children;
    };
    enum class Settled { Free, Declined, Refused };

    std::optional<Item> plan(const std::filesystem::path& host, int depth);
    void planChildren(Item& folder, int depth);
    void readWhole(Item& file);
    void spend(std::size_t clusters);
    void holdWholeDiskette();
    std::size_t clustersOf(const Item& item) const;
    std::size_t folderClusters(const Item& folder) const;
    static std::size_t slotsOf(const Item& item);
    static std::vector<Fat12Writer::Entry> entriesOf(const Item& item, std::uint16_t firstCluster);
    // Items by their names as FAT compares them.
    using Names = std::map<std::u16string, const Item*>;
    static Names namesOf(const std::vector<const Item*>& items);
    static bool namedAs(const Fat12Writer::ShortName& shortName, const Names& names, const Item& self);
    static void nameChildren(Item& folder);
    Settled settleName(const Item& item, const std::vector<const Item*>& chosen);
    bool roomFor(const std::vector<const Item*>& chosen, Fat12Writer& writer);
    std::optional<std::uint16_t> store(const Item& item, std::uint16_t parentCluster, Fat12Writer& writer);
    std::optional<std::uint16_t> storeFile(const Item& item, Fat12Writer& writer);
    std::optional<std::uint16_t> storeFolder(const Item& item, std::uint16_t parentCluster, Fat12Writer& writer);
    bool place(const Item& source, const Names& beside, Fat12Writer& writer);
    std::size_t clusterBytes() const;
    std::string noRoomText(const Item& item, std::size_t freeClusters) const;
    bool refuse(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
    Existing existing_;
    std::string failure_;
    int added_ = 0;
    // The source being planned, the folders met in its tree (device and
    // inode) and the clusters its plan takes so far.
    std::string planned_;
    std::set<std::pair<std::uintmax_t, std::uintmax_t>> seenFolders_;
    std::size_t plannedClusters_ = 0;
};

} // namespace vellum
