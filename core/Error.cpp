#include "core/Error.h"

#include <cerrno>
#include <cstring>

namespace vellum {

std::string fileErrorText(std::string_view action, const std::filesystem::path& path)
{
    return "Cannot " + std::string(action) + " \"" + path.string() + "\": " + std::strerror(errno) + ".";
}

std::string groupedNumber(std::size_t n)
{
    std::string s = std::to_string(n);
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3)
        s.insert(static_cast<std::size_t>(i), ",");
    return s;
}

} // namespace vellum
