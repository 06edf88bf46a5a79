#pragma once
// The prompt script for GoogleTest: each problem fails the running test, and
// a question still expected when the prompter goes fails it too.
#include "tests/support/PromptScript.h"

namespace vellum::test {

class ScriptedPrompter : public PromptScript {
public:
    ~ScriptedPrompter() override;

protected:
    void report(std::string problem) override;
};

} // namespace vellum::test
