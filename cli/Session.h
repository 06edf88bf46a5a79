#pragma once
// What one vlm command works with: the user's settings, the terminal as
// message box, and the document holding the image.
#include <filesystem>
#include <optional>

#include "cli/TerminalPrompter.h"
#include "core/CVLMDoc.h"
#include "core/FileLock.h"
#include "settings/SettingsProfile.h"

namespace vellum::cli {

struct Session {
    explicit Session(bool assumeYes) : prompter(assumeYes), doc(profile, prompter) {}

    // Keeps other vlm commands from changing the image file until this one
    // ends; one that holds it already is waited for.
    void lockImage(const std::filesystem::path& image)
    {
        imageLock.emplace(image, [&] {
            prompter.tell("\"" + image.string() + "\" is being changed by another command; waiting until it is done.",
                          Icon::Information);
        });
    }

    SettingsProfile profile{SettingsProfile::defaultPath()};
    TerminalPrompter prompter;
    CVLMDoc doc;
    // A raw image opened only as far as its system area, whose folders are
    // read as they are walked; empty when the image in doc is whole.
    std::filesystem::path partialImage;
    std::optional<FileLock> imageLock;
};

} // namespace vellum::cli
