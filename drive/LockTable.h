#pragma once
// The volume locks held on each drive, innermost last: a lock taken twice
// needs two unlocks, as the system's physical-volume locks do.
#include <array>
#include <optional>
#include <vector>

#include "drive/DriveBackend.h"

namespace vellum {

class LockTable {
public:
    std::optional<int> level(int drive) const;
    void lock(int drive, int level);
    // False when the drive holds no lock.
    bool unlock(int drive);

private:
    std::array<std::vector<int>, DriveBackend::kDrives> held_;
};

} // namespace vellum
