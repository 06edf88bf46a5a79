#pragma once
// The words of one vlm verb: options are taken out by name, what is left are
// the positional arguments. Words after "--" are positional whatever they look
// like. Anything malformed is a UsageError.
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CliArgs {
public:
    explicit CliArgs(std::vector<std::string> words);

    // Takes "--name" out of the words; true when it was there.
    bool flag(std::string_view name);
    // Takes "--name VALUE" or "--name=VALUE" out of the words.
    std::optional<std::string> option(std::string_view name);
    // Takes "--name VALUE" as often as it is given.
    std::vector<std::string> options(std::string_view name);
    // The words left; an unknown "--option" among them is a UsageError.
    std::vector<std::string> positionals(std::size_t min, std::size_t max) const;

private:
    std::vector<std::string> words_;
    std::vector<std::string> literals_; // the words after "--"
};

// The drive named "A:", "a", "B:" or "b", as 0 for A: and 1 for B:.
int parseDrive(const std::string& word);

// Takes "--description TEXT" for a Vellum file, which holds 60 characters at
// most: a longer one is a UsageError rather than cut short unseen.
std::optional<std::string> descriptionOption(CliArgs& args);

// Takes "--label TEXT"; a text that cannot be a volume label is a UsageError.
std::optional<std::string> labelOption(CliArgs& args);
// Throws UsageError unless TEXT may be a volume label; empty means none.
void checkLabel(const std::string& text);

// The image file an OUT word names, ".VLM" appended as ImageFile does; a
// word naming a folder ("disks/") is a UsageError, not a file ".VLM" in it.
std::filesystem::path imageOutput(const std::string& word);

// Makes a folder and those above it; throws Error naming it when it cannot.
void makeFolder(const std::filesystem::path& folder);

// Throws Error unless a file can be written to OUT, checked before a diskette
// is read for it rather than after.
void checkOutputFile(const std::filesystem::path& out);

// Parses a whole decimal number within [min, max], or throws UsageError.
long parseNumber(const std::string& text, long min, long max, std::string_view what);

} // namespace vellum::cli
