#pragma once
// What one vlm command works with: the user's settings, the terminal as
// message box, and the document holding the image.
#include <filesystem>

#include "cli/TerminalPrompter.h"
#include "core/CVLMDoc.h"
#include "settings/SettingsProfile.h"

namespace vellum::cli {

struct Session {
    explicit Session(bool assumeYes) : prompter(assumeYes), doc(profile, prompter) {}

    SettingsProfile profile{SettingsProfile::defaultPath()};
    TerminalPrompter prompter;
    CVLMDoc doc;
    // A raw image opened only as far as its system area, whose folders are
    // read as they are walked; empty when the image in doc is whole.
    std::filesystem::path partialImage;
};

} // namespace vellum::cli
