#pragma once
// A shell that records each command line and gives one answer to all.
#include <string>
#include <vector>

#include "core/Shell.h"

namespace vellum::test {

class RecordingShell : public Shell {
public:
    Result run(const std::string& program, const std::vector<std::string>& arguments) override
    {
        std::string line = program;
        for (const std::string& a : arguments)
            line += " " + a;
        lines.push_back(line);
        return answer;
    }

    std::vector<std::string> lines;
    Result answer{0, {}};
};

} // namespace vellum::test
