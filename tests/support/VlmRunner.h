#pragma once
// Runs the vlm program as a user would, with its settings in a test folder
// and no terminal, and collects what it printed and its exit status.
#include <string>

#include "tests/support/MtoolsImage.h"
#include "tests/support/TempDir.h"

namespace vellum::test {

struct VlmRun {
    int status = -1;
    std::string out;
    std::string err;
};

// `launcher` goes before vlm, as "setpriv ..." to run it as another user.
inline VlmRun runVlm(const TempDir& dir, const std::string& words, const std::string& launcher = "")
{
    const auto errFile = dir / "stderr.txt";
    const std::string command = "VELLUM_CONFIG=" + shellQuoted((dir / "vellum.conf").string()) + " " + launcher +
                                " " + shellQuoted(VLM_PATH) + " " + words + " 2>" + shellQuoted(errFile.string()) +
                                " </dev/null; echo \"#$?\"";
    VlmRun run;
    run.out = runCommand(command);
    const auto mark = run.out.rfind('#');
    run.status = std::stoi(run.out.substr(mark + 1));
    run.out.erase(mark);
    const auto err = readFile(errFile);
    run.err.assign(err.begin(), err.end());
    return run;
}

} // namespace vellum::test
