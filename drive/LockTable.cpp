#include "drive/LockTable.h"

namespace vellum {

std::optional<int> LockTable::level(int drive) const
{
    const auto& locks = held_.at(static_cast<std::size_t>(drive));
    if (locks.empty())
        return std::nullopt;
    return locks.back();
}

void LockTable::lock(int drive, int level)
{
    held_.at(static_cast<std::size_t>(drive)).push_back(level);
}

bool LockTable::unlock(int drive)
{
    auto& locks = held_.at(static_cast<std::size_t>(drive));
    if (locks.empty())
        return false;
    locks.pop_back();
    return true;
}

} // namespace vellum
