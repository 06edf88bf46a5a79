#pragma once
// A prompter that expects an exact list of questions, each with its buttons
// and icon, and answers them in turn. A question it was not told about, or
// one that differs from the next expected, is a problem; how a problem is
// reported is the test framework's (ScriptedPrompter for GoogleTest).
#include <deque>
#include <string>
#include <vector>

#include "core/Prompter.h"

namespace vellum::test {

class PromptScript : public Prompter {
public:
    PromptScript& expect(std::string text, Buttons buttons, Icon icon, Answer answer);
    // Any question whose text starts so is answered, whatever its buttons.
    PromptScript& expectStart(std::string start, Icon icon, Answer answer);
    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;

    bool done() const { return script_.empty(); }
    // The problems so far and the questions never asked; empty when all went as expected.
    std::vector<std::string> problems() const;

    std::vector<std::string> asked;

protected:
    virtual void report(std::string problem) { problems_.push_back(std::move(problem)); }
    std::vector<std::string> neverAsked() const;

private:
    struct Step {
        std::string text;
        bool prefix;
        Buttons buttons;
        Icon icon;
        Answer answer;
    };
    std::deque<Step> script_;
    std::vector<std::string> problems_;
};

} // namespace vellum::test
