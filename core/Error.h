#pragma once
// The one error type of the engines: a message for the user that names the
// bad value and the bound it broke.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vellum {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot ACTION "PATH": REASON", with the reason taken from errno.
std::string fileErrorText(std::string_view action, const std::filesystem::path& path);

// A count for a message, with thousands separated: 1,725,000.
std::string groupedNumber(std::size_t n);

} // namespace vellum
