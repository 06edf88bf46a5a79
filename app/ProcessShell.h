#pragma once
// The Shell that runs each command as a process, keeping mtools from asking
// anything on a terminal. It waits for the process where it is called: on
// an operation's worker thread, so the window repaints meanwhile.
#include "core/Shell.h"

namespace vellum {

class ProcessShell : public Shell {
public:
    Result run(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace vellum
