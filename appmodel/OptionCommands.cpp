#include "appmodel/OptionCommands.h"

#include "core/Profile.h"
#include "core/Prompter.h"

namespace vellum {

namespace {

const std::string kSaveQuestion = "The option settings have changed, \nbut have not been saved.\n\n"
                                  "Do you wish to save the new option settings now?";
const std::string kSection = "Options";
const std::string kCopies = "NumberCopies";
constexpr OptionCommands::Option kAll[] = {
    OptionCommands::Option::LoadEntireDiskette,
    OptionCommands::Option::ForceFormat,
    OptionCommands::Option::VerifyCopy,
    OptionCommands::Option::KeepDirStructure,
};

template <typename OptionsT>
auto& fieldOf(OptionsT& options, OptionCommands::Option option)
{
    switch (option) {
    case OptionCommands::Option::LoadEntireDiskette: return options.LoadEntireDiskette;
    case OptionCommands::Option::ForceFormat: return options.ForceFormat;
    case OptionCommands::Option::VerifyCopy: return options.VerifyCopy;
    case OptionCommands::Option::KeepDirStructure: break;
    }
    return options.KeepDirStructure;
}

} // namespace

bool& OptionCommands::field(Option option)
{
    return fieldOf(options_, option);
}

bool OptionCommands::value(Option option) const
{
    return fieldOf(options_, option);
}

void OptionCommands::toggle(Option option)
{
    field(option) = !field(option);
    changed_ = true;
}

void OptionCommands::checkAll()
{
    for (Option o : kAll)
        field(o) = true;
    changed_ = true;
}

void OptionCommands::resetAll()
{
    for (Option o : kAll)
        field(o) = o == Option::KeepDirStructure;
    changed_ = true;
}

void OptionCommands::toggleAll()
{
    for (Option o : kAll)
        field(o) = !field(o);
    changed_ = true;
}

void OptionCommands::save()
{
    // Options::write stores NumberCopies too; keep the stored count as it was.
    Options stored = options_;
    stored.NumberCopies = Options::read(profile_).NumberCopies;
    stored.write(profile_);
    changed_ = false;
}

void OptionCommands::restore()
{
    options_ = Options::read(profile_);
    changed_ = false;
}

void OptionCommands::onExit(Prompter& prompter)
{
    if (changed_ && prompter.ask(kSaveQuestion, Buttons::YesNo, Icon::Question) == Answer::Yes)
        save();
    profile_.writeInt(kSection, kCopies, Options::clampCopies(options_.NumberCopies));
}

} // namespace vellum
