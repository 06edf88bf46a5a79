#pragma once
// Paths inside the volume as the user names them: folders and a last part
// separated by "/", each by its long or its 8.3 name, case ignored as DOS
// ignores it. A path resolves to the slot of its entry in the folder that
// holds it, which is left listed, so what then acts on it acts on that
// very entry.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/DirectoryArea.h"

namespace vellum {

class CVLMDoc;
class Prompter;

class VolumePath {
public:
    // Brings a folder's clusters into the image store before it is listed,
    // for an image held only as far as its system area; false stops the walk.
    using Fetch = std::function<bool(std::span<const std::uint16_t> chain)>;

    VolumePath(CVLMDoc& doc, Prompter& prompter, Fetch fetch = {})
        : doc_(doc), prompter_(prompter), fetch_(std::move(fetch))
    {
    }

    // Lists the root again.
    void listRoot();
    // Walks down a path of folders from the directory shown; false after telling why.
    bool enter(std::string_view path);
    // Lists the folder that holds the path's last part, from the root, and
    // returns that part's entry; nothing after telling why.
    std::optional<ListingRecord> resolve(std::string_view path);

private:
    bool enterFolder(std::string_view name, std::string_view path);
    void warn(const std::string& text);

    CVLMDoc& doc_;
    Prompter& prompter_;
    Fetch fetch_;
};

} // namespace vellum
