#pragma once
// The Shell that runs each command as a process and waits for it, with a
// wait cursor, keeping mtools from asking anything on a terminal.
#include "core/Shell.h"

namespace vellum {

class ProcessShell : public Shell {
public:
    Result run(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace vellum
