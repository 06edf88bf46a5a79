#pragma once
// Walks the folders below one folder of the image, breadth first, through
// the reader's working areas, and leaves the directory shown as it was.
// The walk is bounded: a folder that leads back to one walked already is
// reported and left out, and at most kMostFolders folders are read. A visit
// may stop the walk; no further entry is visited then.
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"

namespace vellum {

class DirectoryTree {
public:
    static constexpr std::size_t kMostFolders = 4096;

    DirectoryTree(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter), reader_(doc, prompter) {}

    void stop() { stopped_ = true; }

    // Calls visit(record, firstCluster, place) for each entry but ".." of each
    // folder from `first` (0: the root) down, with the entry's chain in the
    // chain table; `place` is what visit returned for the entry's folder,
    // `top` for the first. For a folder visit returns the place of its
    // entries, or nothing to leave it out.
    template <typename Place, typename Visit>
    void walk(std::uint16_t first, Place top, Visit visit)
    {
        const DirectoryArea shown = doc_.directory;
        std::deque<std::pair<std::uint16_t, Place>> queue{{first, std::move(top)}};
        std::set<std::uint16_t> seen{first};
        for (std::size_t walked = 0; !queue.empty() && !stopped_; ++walked) {
            if (walked == kMostFolders) {
                warn("The image holds more than " + std::to_string(kMostFolders) +
                     " folders; the rest are left out. Check the diskette for errors.");
                break;
            }
            const auto [cluster, place] = std::move(queue.front());
            queue.pop_front();
            list(cluster);
            const std::vector<ListingRecord> listing = doc_.directory.listing;
            for (const ListingRecord& r : listing) {
                if (stopped_)
                    break;
                if (r.shortName == kParentEntry || !reader_.followEntry(r.slot))
                    continue;
                const std::uint16_t sub = doc_.directory.chain[0];
                if (!(r.attributes & dirent::kDirectory)) {
                    visit(r, sub, place);
                } else if (sub == 0 || seen.count(sub)) {
                    warn("The folder \"" + r.longName + "\" leads back to a folder walked already; it is left out. "
                         "Check the diskette for errors.");
                } else if (auto inner = visit(r, sub, place)) {
                    seen.insert(sub);
                    queue.emplace_back(sub, std::move(*inner));
                }
            }
        }
        doc_.directory = shown;
    }

private:
    static constexpr std::string_view kParentEntry = "..      ";

    // Reads a folder into the working areas, reporting what its walk met.
    void list(std::uint16_t cluster)
    {
        doc_.directory.depth = 0;
        for (const auto& outcome : {reader_.BuildChain(cluster), reader_.ReadDirectory()})
            if (!outcome.whole())
                warn(outcome.warning);
    }
    void warn(const std::string& text) { prompter_.warn(text); }

    CVLMDoc& doc_;
    Prompter& prompter_;
    Fat12Reader reader_;
    bool stopped_ = false;
};

} // namespace vellum
