#pragma once
// The system's diskette commands (mtools on an image file or a device,
// fdformat for a real drive), run as programs. The application runs them as
// processes; tests put in a shell that records the command lines.
#include <string>
#include <vector>

namespace vellum {

class Shell {
public:
    struct Result {
        int exitCode = -1; // -1 when the program could not be started
        std::string output; // what it wrote to stdout and stderr
        bool ok() const { return exitCode == 0; }
    };

    virtual ~Shell() = default;
    virtual Result run(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

} // namespace vellum
