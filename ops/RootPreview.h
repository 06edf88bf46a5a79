#pragma once
// The names in the root directory of the diskette in a drive, read straight
// from the diskette, for the Load dialog's look at it before loading.
#include <cstdint>
#include <string>
#include <vector>

namespace vellum {

class DriveBackend;
class Prompter;

class RootPreview {
public:
    enum class Status { Listed, NoFiles, NotReady };
    struct Entry {
        std::string name; // "NAME.EXT"
        bool directory = false;
    };
    struct Result {
        Status status = Status::NotReady;
        std::vector<Entry> entries; // files and folders, no labels or deleted entries
    };

    // drive: 0 = A:, 1 = B:.
    static Result read(DriveBackend& drives, Prompter& prompter, int drive);
};

} // namespace vellum
