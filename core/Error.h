#pragma once
// The one error type of the engines: a message for the user that names the
// bad value and the bound it broke.
#include <stdexcept>
#include <string>

namespace vellum {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vellum
