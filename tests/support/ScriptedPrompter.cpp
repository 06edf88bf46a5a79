#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace vellum::test {

ScriptedPrompter::~ScriptedPrompter()
{
    for (const std::string& s : neverAsked())
        ADD_FAILURE() << s;
}

void ScriptedPrompter::report(std::string problem)
{
    ADD_FAILURE() << problem;
}

} // namespace vellum::test
