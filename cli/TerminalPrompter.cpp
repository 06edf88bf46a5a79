#include "cli/TerminalPrompter.h"

#include "cli/TerminalText.h"
#include <cctype>
#include <string>
#include <unistd.h>
#include <vector>

namespace vellum::cli {

namespace {

struct Choice {
    char key;
    const char* word;
    Answer answer;
};

std::vector<Choice> choicesOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return {{'o', "OK", Answer::Ok}};
    case Buttons::OkCancel: return {{'o', "OK", Answer::Ok}, {'c', "Cancel", Answer::Cancel}};
    case Buttons::YesNo: return {{'y', "Yes", Answer::Yes}, {'n', "No", Answer::No}};
    case Buttons::YesNoCancel:
        return {{'y', "Yes", Answer::Yes}, {'n', "No", Answer::No}, {'c', "Cancel", Answer::Cancel}};
    case Buttons::RetryCancel: return {{'r', "Retry", Answer::Retry}, {'c', "Cancel", Answer::Cancel}};
    }
    return {{'o', "OK", Answer::Ok}};
}

const char* prefixOf(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
    case Icon::Exclamation: return "vlm: error: ";
    case Icon::None:
    case Icon::Question:
    case Icon::Information: break;
    }
    return "vlm: ";
}

// The message texts carry " \n" line breaks meant for a dialog. Inside
// quotes text is a name, kept as it is: its newlines are escaped later, as
// other control characters are.
std::string flatten(const std::string& text)
{
    std::string out;
    bool quoted = false;
    for (const char c : text) {
        quoted ^= c == '"';
        if (c == '\n' && !quoted) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        if (c == ' ' && !quoted && !out.empty() && out.back() == ' ')
            continue;
        out += c;
    }
    return out;
}

} // namespace

void TerminalPrompter::warn(const std::string& text)
{
    std::fprintf(out_, "vlm: warning: %s\n", TerminalText::escaped(flatten(text)).c_str());
}

Answer TerminalPrompter::ask(const std::string& text, Buttons buttons, Icon icon)
{
    const std::vector<Choice> choices = choicesOf(buttons);
    std::fprintf(out_, "%s%s\n", prefixOf(icon), TerminalText::escaped(flatten(text)).c_str());
    if (choices.size() == 1)
        return choices.front().answer;

    repeats_ = text == lastQuestion_ ? repeats_ + 1 : 0;
    lastQuestion_ = text;
    const bool interactive = in_ == stdin && isatty(fileno(in_));
    if (assumeYes_ && repeats_ >= kMaxRepeatedAnswers) {
        std::fprintf(out_, "  -> %s (--yes gives up after %d tries)\n", choices.back().word, kMaxRepeatedAnswers);
        return choices.back().answer;
    }
    if (assumeYes_ || !interactive) {
        const Choice& c = assumeYes_ ? choices.front() : choices.back();
        std::fprintf(out_, "  -> %s%s\n", c.word, assumeYes_ ? " (--yes)" : " (no terminal to ask)");
        return c.answer;
    }
    for (;;) {
        std::fputs("  ", out_);
        for (const Choice& c : choices)
            std::fprintf(out_, "[%c]%s ", c.key, c.word + 1);
        std::fputs("? ", out_);
        std::fflush(out_);
        char line[64];
        if (!std::fgets(line, sizeof line, in_))
            return choices.back().answer;
        const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        for (const Choice& c : choices)
            if (c.key == key)
                return c.answer;
    }
}

} // namespace vellum::cli
