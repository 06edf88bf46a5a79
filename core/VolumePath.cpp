#include "core/VolumePath.h"

#include <algorithm>
#include <string>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/Fat12Reader.h"
#include "core/Prompter.h"

namespace vellum {

namespace {

constexpr std::string_view kParentName = "..";

bool isDotEntry(const ListingRecord& r)
{
    return r.shortName.starts_with(kParentName);
}

const ListingRecord* listed(const CVLMDoc& doc, std::size_t slot)
{
    const auto& listing = doc.directory.listing;
    const auto at = std::find_if(listing.begin(), listing.end(), [&](const ListingRecord& r) { return r.slot == slot; });
    return at == listing.end() ? nullptr : &*at;
}

} // namespace

void VolumePath::warn(const std::string& text)
{
    if (!text.empty())
        prompter_.warn(text);
}

void VolumePath::listRoot()
{
    doc_.directory.chain.fill(0);
    doc_.directory.depth = 0;
    warn(Fat12Reader(doc_, prompter_).ReadDirectory().warning);
}

bool VolumePath::enter(std::string_view path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == kParentName)
            warn(Fat12Reader(doc_, prompter_).leaveDirectory().warning);
        else if (!enterFolder(name, path))
            return false;
    }
    return true;
}

bool VolumePath::enterFolder(std::string_view name, std::string_view path)
{
    Fat12Reader reader(doc_, prompter_);
    const auto slot = reader.lookup(name);
    const ListingRecord* folder = slot ? listed(doc_, *slot) : nullptr;
    if (!folder || !(folder->attributes & dirent::kDirectory)) {
        prompter_.tell("There is no directory \"" + std::string(name) + "\" in \"" + std::string(path) + "\".",
                       Icon::Stop);
        return false;
    }
    if (fetch_) {
        if (!reader.followEntry(*slot))
            return false;
        const auto& chain = doc_.directory.chain;
        if (!fetch_({chain.begin(), std::find(chain.begin(), chain.end(), 0)}))
            return false;
    }
    const int depth = doc_.directory.depth;
    const Fat12Reader::Outcome outcome = reader.enterDirectory(*slot);
    // Stopped at the depth bound: the listing would be of another directory.
    if (doc_.directory.depth == depth) {
        prompter_.tell(outcome.warning, Icon::Stop);
        return false;
    }
    warn(outcome.warning);
    return true;
}

std::optional<ListingRecord> VolumePath::resolve(std::string_view path)
{
    listRoot();
    std::string_view inside = path.substr(0, path.find_last_not_of('/') + 1);
    const std::size_t slash = inside.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? inside : inside.substr(slash + 1);
    if (slash != std::string_view::npos && !enter(inside.substr(0, slash)))
        return std::nullopt;
    const auto slot = name.empty() ? std::nullopt : Fat12Reader(doc_, prompter_).lookup(name);
    const ListingRecord* record = slot ? listed(doc_, *slot) : nullptr;
    if (!record || isDotEntry(*record)) {
        prompter_.tell("There is no file or directory \"" + std::string(path) + "\" in the image.", Icon::Stop);
        return std::nullopt;
    }
    return *record;
}

} // namespace vellum
