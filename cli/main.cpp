// vlm: Vellum's diskette image tool for the command line.
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/Error.h"
#include "version/Version.h"

namespace vellum::cli {
extern const Verb kNewVerb, kInfoVerb;
extern const Verb kLsVerb;
extern const Verb kConvertVerb;
extern const Verb kSplitVerb, kJoinVerb;
extern const Verb kDriveVerb;
extern const Verb kLoadVerb, kWriteVerb, kRescueVerb;
extern const Verb kLabelVerb, kFormatDmfVerb, kCompareVerb;
extern const Verb kAddVerb, kExtractVerb, kRmVerb, kMvVerb, kRenameVerb;
} // namespace vellum::cli

namespace {

using namespace vellum::cli;

const std::array<const Verb*, 18> kVerbs = {
    &kNewVerb, &kInfoVerb, &kLsVerb, &kConvertVerb,
    &kAddVerb, &kExtractVerb, &kRmVerb, &kMvVerb, &kRenameVerb,
    &kSplitVerb, &kJoinVerb,
    &kDriveVerb,
    &kLoadVerb, &kWriteVerb, &kRescueVerb,
    &kLabelVerb, &kFormatDmfVerb, &kCompareVerb,
};

void printVerbList(std::FILE* out)
{
    std::fputs("Usage: vlm VERB [ARGUMENTS]\nvlm VERB --help tells a verb's words and options.\n\nVerbs:\n", out);
    for (const Verb* v : kVerbs)
        std::fprintf(out, "  %-11.*s %.*s\n", static_cast<int>(v->name.size()), v->name.data(),
                     static_cast<int>(v->summary.size()), v->summary.data());
    std::fputs("\nOptions:\n"
               "  -h, --help   show this list\n"
               "  --version    show vlm's version\n",
               out);
}

void printHelp(const Verb& v)
{
    std::printf("usage: vlm %.*s\n\n%.*s\n%.*s", static_cast<int>(v.usage.size()), v.usage.data(),
                static_cast<int>(v.summary.size()), v.summary.data(), static_cast<int>(v.help.size()),
                v.help.data());
}

const Verb* findVerb(const std::string& name)
{
    for (const Verb* v : kVerbs)
        if (v->name == name)
            return v;
    return nullptr;
}

int run(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        printVerbList(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : 0;
    }
    if (std::string(argv[1]) == "--version") {
        std::printf("vlm %s\n", vellum::kVersion);
        return 0;
    }
    // "vlm help [VERB]" as "vlm [VERB] --help".
    const bool helpWord = std::string(argv[1]) == "help";
    if (helpWord && argc == 2) {
        printVerbList(stdout);
        return 0;
    }
    const char* name = argv[helpWord ? 2 : 1];
    const Verb* verb = findVerb(name);
    if (!verb) {
        std::fprintf(stderr, "vlm: unknown verb \"%s\"\n", TerminalText::escaped(name).c_str());
        printVerbList(stderr);
        return kExitUsage;
    }
    if (helpWord) {
        if (argc > 3) {
            std::fputs("usage: vlm help [VERB]\n", stderr);
            return kExitUsage;
        }
        printHelp(*verb);
        return 0;
    }
    CliArgs args(std::vector<std::string>(argv + 2, argv + argc));
    try {
        if (args.flag("--help") || args.flag("-h")) {
            printHelp(*verb);
            return 0;
        }
        return verb->run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vlm %s: %s\nusage: vlm %.*s\n", argv[1], TerminalText::escaped(e.what()).c_str(),
                     static_cast<int>(verb->usage.size()), verb->usage.data());
        return kExitUsage;
    } catch (const std::filesystem::filesystem_error& e) {
        // The library's own wording ("filesystem error: ...") is not for users.
        std::fprintf(stderr, "vlm: error: Cannot use \"%s\": %s.\n", TerminalText::escaped(e.path1().string()).c_str(),
                     TerminalText::escaped(e.code().message()).c_str());
        return kExitFailure;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vlm: error: %s\n", TerminalText::escaped(e.what()).c_str());
        return kExitFailure;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int status = run(argc, argv);
    // A listing lost to a full disk is a failure, not a listing.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "vlm: error: cannot write the output%s%s\n", errno ? ": " : "",
                     errno ? std::strerror(errno) : "");
        return status == 0 ? kExitFailure : status;
    }
    return status;
}
