#pragma once
// The Options menu: four options the user ticks, the three group commands,
// saving and restoring them, and the question on leaving with unsaved ones.
#include "core/Options.h"

namespace vellum {

class Profile;
class Prompter;

class OptionCommands {
public:
    enum class Option { LoadEntireDiskette, ForceFormat, VerifyCopy, KeepDirStructure };

    OptionCommands(Options& options, Profile& profile) : options_(options), profile_(profile) {}

    bool value(Option option) const;
    void toggle(Option option);
    void checkAll();
    // Everything off except KeepDirStructure, which stays on.
    void resetAll();
    void toggleAll();
    // The four options only; NumberCopies is written on the way out.
    void save();
    // The four options and NumberCopies as the profile holds them.
    void restore();

    // Asks to save changed options, then always writes NumberCopies.
    void onExit(Prompter& prompter);

    bool OptionsChanged() const { return changed_; }

private:
    bool& field(Option option);

    Options& options_;
    Profile& profile_;
    bool changed_ = false;
};

} // namespace vellum
