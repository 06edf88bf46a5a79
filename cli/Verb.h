#pragma once
// One vlm verb: its name, its usage and help texts, and what it runs.
// A verb returns the process's exit status and throws UsageError for bad words.
#include <string_view>

#include "cli/CliArgs.h"

namespace vellum::cli {

struct Verb {
    std::string_view name;
    std::string_view usage;   // the words after "vlm"
    std::string_view summary; // one line for the verb list
    std::string_view help;    // the rest of "vlm VERB --help"
    int (*run)(CliArgs& args);
};

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

} // namespace vellum::cli
