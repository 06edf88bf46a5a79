#pragma once
// The Shell that runs each command as a process, keeping mtools from asking
// anything on a terminal. While it runs the window shows the wait cursor and
// keeps repainting: a local event loop waits for the process, taking no
// clicks or keys meanwhile, so no second command starts inside the first.
#include "core/Shell.h"

namespace vellum {

class ProcessShell : public Shell {
public:
    Result run(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace vellum
