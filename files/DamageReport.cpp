#include "files/DamageReport.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "files/DirectoryTree.h"

namespace vellum {

namespace {

constexpr std::uint32_t kFirstCluster = 2;
constexpr int kHeadsPerCylinder = 2;

const std::string kLostEntries =
    "Directory sectors are unreadable: the files and folders listed in them are missing from this report, "
    "and their clusters show as in use but in no file.";
const std::string kGuessedLayout =
    "The boot sector is unreadable: the areas are placed as on a standard diskette of this size.";

std::string fatNote(bool fat1Bad, bool fat2Bad, bool sameSector)
{
    if (sameSector)
        return "Both FATs are unreadable in the same place: the file names below are unreliable.";
    if (fat1Bad && fat2Bad)
        return "Both FATs are damaged, in different sectors: files are found through the sectors of each that read.";
    return fat1Bad ? "FAT 1 is damaged: files are found through FAT 2."
                   : "FAT 2 is damaged: files are found through FAT 1.";
}

// Puts FAT 1's bytes back when the walk ends, however it ends.
class Fat1Restorer {
public:
    Fat1Restorer(std::span<std::uint8_t> fat1, std::vector<std::uint8_t> saved) : fat1_(fat1), saved_(std::move(saved))
    {
    }
    ~Fat1Restorer() { std::copy(saved_.begin(), saved_.end(), fat1_.begin()); }
    Fat1Restorer(const Fat1Restorer&) = delete;
    Fat1Restorer& operator=(const Fat1Restorer&) = delete;

private:
    std::span<std::uint8_t> fat1_;
    std::vector<std::uint8_t> saved_;
};

} // namespace

Answer DamageReport::NoteTaker::ask(const std::string& text, Buttons /*buttons*/, Icon /*icon*/)
{
    if (std::find(notes_.begin(), notes_.end(), text) == notes_.end())
        notes_.push_back(text);
    return Answer::Ok;
}

DamageReport::DamageReport(CVLMDoc& doc, std::span<const std::uint32_t> badSectors) : doc_(doc)
{
    std::set<std::uint32_t> sorted(badSectors.begin(), badSectors.end());
    for (const std::uint32_t s : sorted) {
        Hit hit{s, {}};
        switch (areaOf(s)) {
        case Area::Boot: hit.places.emplace_back(kBootSector); break;
        case Area::Fat1: hit.places.emplace_back(kFat1); break;
        case Area::Fat2: hit.places.emplace_back(kFat2); break;
        case Area::Root: hit.places.emplace_back(kRootDirectory); break;
        case Area::Data: break;
        }
        hits_.push_back(std::move(hit));
    }
    if (sorted.count(0))
        notes_.push_back(kGuessedLayout);
    const std::size_t fatBytes = std::size_t{doc_.geometry.sectorsPerFat} * doc_.geometry.bytesPerSector;
    const Fat1Restorer restorer(doc_.image().subspan(doc_.areas.fat1, fatBytes), mendFat1(badSectors));
    findOwners();
}

DamageReport::Area DamageReport::areaOf(std::uint32_t sector) const
{
    const std::size_t at = std::size_t{sector} * doc_.geometry.bytesPerSector;
    const AreaPointers& a = doc_.areas;
    if (at < a.fat1)
        return Area::Boot;
    if (at < a.fat1 + std::size_t{doc_.geometry.sectorsPerFat} * doc_.geometry.bytesPerSector)
        return Area::Fat1;
    if (at < a.rootDirectory)
        return Area::Fat2;
    return at < a.dataArea ? Area::Root : Area::Data;
}

std::uint32_t DamageReport::clusterOf(std::uint32_t sector) const
{
    const std::size_t at = std::size_t{sector} * doc_.geometry.bytesPerSector;
    return static_cast<std::uint32_t>((at - doc_.areas.dataArea) / doc_.geometry.bytesPerCluster()) + kFirstCluster;
}

std::vector<std::uint8_t> DamageReport::mendFat1(std::span<const std::uint32_t> badSectors)
{
    const DriveGeometry& g = doc_.geometry;
    const std::uint32_t fat1 = static_cast<std::uint32_t>(doc_.areas.fat1 / g.bytesPerSector);
    const std::uint32_t fat2 = static_cast<std::uint32_t>(doc_.areas.fat2 / g.bytesPerSector);
    std::set<std::uint32_t> bad1, bad2;
    for (const std::uint32_t s : badSectors) {
        if (areaOf(s) == Area::Fat1)
            bad1.insert(s - fat1);
        if (areaOf(s) == Area::Fat2)
            bad2.insert(s - fat2);
    }
    const std::span<std::uint8_t> fat =
        doc_.image().subspan(doc_.areas.fat1, std::size_t{g.sectorsPerFat} * g.bytesPerSector);
    std::vector<std::uint8_t> saved(fat.begin(), fat.end());
    if (bad1.empty() && bad2.empty())
        return saved;
    const bool twoFats = g.numberOfFats >= 2;
    bool sameSector = !twoFats;
    for (const std::uint32_t k : bad1) {
        if (!twoFats || bad2.count(k)) {
            sameSector = true;
            continue;
        }
        const auto copy = doc_.image().subspan(doc_.areas.fat2 + std::size_t{k} * g.bytesPerSector, g.bytesPerSector);
        std::copy(copy.begin(), copy.end(), fat.begin() + std::size_t{k} * g.bytesPerSector);
    }
    notes_.push_back(fatNote(!bad1.empty(), !bad2.empty(), sameSector));
    return saved;
}

void DamageReport::findOwners()
{
    ClusterHits byCluster;
    bool directoryLost = false;
    for (std::size_t i = 0; i < hits_.size(); ++i) {
        if (areaOf(hits_[i].sector) == Area::Data)
            byCluster[clusterOf(hits_[i].sector)].push_back(i);
        directoryLost = directoryLost || areaOf(hits_[i].sector) == Area::Root;
    }
    if (!byCluster.empty()) {
        const auto visit = [&](const ListingRecord& r, std::uint16_t first, const std::string& folder) {
            const bool isFolder = (r.attributes & dirent::kDirectory) != 0;
            // A name without an extension keeps its short name's padding.
            const std::string name = r.longName.substr(0, r.longName.find_last_not_of(' ') + 1);
            const std::string path = folder + name + (isFolder ? "/" : "");
            directoryLost = (claimChain(first, path, byCluster) && isFolder) || directoryLost;
            return isFolder ? std::optional(path) : std::nullopt;
        };
        DirectoryTree(doc_, noteTaker_).walk(0, std::string("/"), visit);
        for (auto& [cluster, indices] : byCluster)
            for (const std::size_t i : indices)
                if (hits_[i].places.empty())
                    hits_[i].places.push_back(unownedPlace(cluster));
    }
    if (directoryLost)
        notes_.push_back(kLostEntries);
}

bool DamageReport::claimChain(std::uint16_t first, const std::string& path, const ClusterHits& byCluster)
{
    const Fat12Reader::Outcome chain = Fat12Reader(doc_, noteTaker_).BuildChain(first);
    if (!chain.whole())
        notes_.push_back(path + ": " + chain.warning);
    bool claimed = false;
    for (const std::uint16_t cluster : doc_.directory.chain) {
        if (cluster == 0)
            break;
        if (const auto it = byCluster.find(cluster); it != byCluster.end())
            for (const std::size_t i : it->second) {
                hits_[i].places.push_back(path);
                claimed = true;
            }
    }
    return claimed;
}

std::string DamageReport::unownedPlace(std::uint32_t cluster)
{
    const Fat12Reader reader(doc_, noteTaker_);
    if (cluster > reader.fat().lastCluster() || reader.fat().entry(cluster) == FatTable::kFree)
        return std::string(kFreeSpace);
    return "Cluster " + std::to_string(cluster) + ", in use but in no file";
}

std::string DamageReport::placeOnDiskette(std::uint32_t sector, std::uint32_t sectorsPerTrack)
{
    const std::uint32_t track = sector / sectorsPerTrack;
    return "cylinder " + std::to_string(track / kHeadsPerCylinder) + ", head " +
           std::to_string(track % kHeadsPerCylinder) + ", sector " + std::to_string(sector % sectorsPerTrack + 1);
}

std::string DamageReport::text() const
{
    if (hits_.empty())
        return "Every sector was read.\n";
    const std::uint32_t perTrack = doc_.geometry.sectorsPerTrack;
    std::string out =
        std::to_string(hits_.size()) + (hits_.size() == 1 ? " unreadable sector:\n" : " unreadable sectors:\n");
    for (const Hit& hit : hits_) {
        out += "  sector " + std::to_string(hit.sector) + " (" + placeOnDiskette(hit.sector, perTrack) + "): ";
        for (std::size_t i = 0; i < hit.places.size(); ++i)
            out += (i ? ", " : "") + hit.places[i];
        out += "\n";
    }
    for (const std::string& note : notes_)
        out += note + "\n";
    return out;
}

} // namespace vellum
