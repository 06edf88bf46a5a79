#pragma once
// vellum --help and --version, answered before any window system is needed,
// so they work in a terminal without a display.
#include <optional>

namespace vellum {

class CommandLine {
public:
    // The exit status when the words ask for help or the version (printed
    // then); nothing when the program is to start.
    static std::optional<int> answerInfoRequest(int argc, char** argv);
};

} // namespace vellum
