#pragma once

#include "support/PromptScript.h"

#include <gtest/gtest.h>

namespace quillet::test {

// A scripted prompter whose surprises fail the running GoogleTest test.
class ScriptedPrompter : public PromptScript {
protected:
    void Fail(const std::string& what) override { ADD_FAILURE() << what; }
};

} // namespace quillet::test
