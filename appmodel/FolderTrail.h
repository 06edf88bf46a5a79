#pragma once
// Where the file list stands in the image's folders: the names entered from
// the root, which the folder line, the list's header and the diskette's
// paths show, and the entry to select once a folder is listed again.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vellum {

class CVLMDoc;
class Prompter;

class FolderTrail {
public:
    FolderTrail(CVLMDoc& doc, Prompter& prompter) : doc_(doc), prompter_(prompter) {}

    // Reads the folder at that slot of the listing shown into the document's
    // directory. Returns the reader's warning, empty when the walk was whole.
    std::string enter(std::size_t slot, const std::string& name);
    // Reads the folder above, and marks the one left for selection there.
    // Does nothing at the root.
    std::string leave();
    // Another image: back at its root.
    void clear() { names_.clear(); }

    // "\" at the root, else "\DOCS\GAMES": the folder line.
    std::string line() const;
    // "/" at the root, else "/DOCS/GAMES/": the list's header.
    std::string header() const;
    // "DOCS\GAMES\NAME": the path of an entry shown, on the diskette.
    std::string onDiskette(const std::string& name) const;

    // The entry the next listing selects; empty for its first row.
    void reselect(std::string name) { reselect_ = std::move(name); }
    std::string takeReselect() { return std::exchange(reselect_, {}); }

private:
    std::string joined(char separator) const;

    CVLMDoc& doc_;
    Prompter& prompter_;
    std::vector<std::string> names_;
    std::string reselect_;
};

} // namespace vellum
