#include "cli/CliArgs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>

#include "core/BlockFile.h"
#include "core/Error.h"
#include "core/ImageFile.h"
#include "core/TextCodec.h"
#include "core/VlmHeader.h"
#include "ops/VolumeLabel.h"

namespace vellum::cli {

CliArgs::CliArgs(std::vector<std::string> words)
{
    const auto end = std::find(words.begin(), words.end(), "--");
    words_.assign(words.begin(), end);
    if (end != words.end())
        literals_.assign(end + 1, words.end());
}

bool CliArgs::flag(std::string_view name)
{
    for (auto it = words_.begin(); it != words_.end(); ++it) {
        if (*it == name) {
            words_.erase(it);
            return true;
        }
    }
    return false;
}

std::optional<std::string> CliArgs::option(std::string_view name)
{
    const std::string prefix = std::string(name) + "=";
    for (auto it = words_.begin(); it != words_.end(); ++it) {
        if (it->rfind(prefix, 0) == 0) {
            std::string value = it->substr(prefix.size());
            words_.erase(it);
            return value;
        }
        if (*it == name) {
            if (it + 1 == words_.end())
                throw UsageError(std::string(name) + " needs a value");
            std::string value = *(it + 1);
            words_.erase(it, it + 2);
            return value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> CliArgs::options(std::string_view name)
{
    std::vector<std::string> values;
    while (auto v = option(name))
        values.push_back(*v);
    return values;
}

std::vector<std::string> CliArgs::positionals(std::size_t min, std::size_t max) const
{
    for (const std::string& w : words_)
        if (w.size() > 1 && w[0] == '-' && w != "-")
            throw UsageError("unknown option " + w);
    std::vector<std::string> all = words_;
    all.insert(all.end(), literals_.begin(), literals_.end());
    if (all.size() < min)
        throw UsageError("missing argument");
    if (all.size() > max)
        throw UsageError("unexpected argument " + all[max]);
    return all;
}

int parseDrive(const std::string& word)
{
    const bool shaped = word.size() == 1 || (word.size() == 2 && word[1] == ':');
    const char letter = word.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    if (!shaped || (letter != 'A' && letter != 'B'))
        throw UsageError("\"" + word + "\" is not a drive; name A: or B:");
    return letter - 'A';
}

std::optional<std::string> descriptionOption(CliArgs& args)
{
    auto text = args.option("--description");
    if (text && TextCodec::utf8ToCp1252(*text).size() > VlmHeader::kDescriptionLength)
        throw UsageError("the description has more than " + std::to_string(VlmHeader::kDescriptionLength) +
                         " characters");
    return text;
}

std::optional<std::string> labelOption(CliArgs& args)
{
    auto text = args.option("--label");
    if (text)
        checkLabel(*text);
    return text;
}

void checkLabel(const std::string& text)
{
    if (const std::string why = VolumeLabel::refusal(text); !why.empty())
        throw UsageError(why);
}

std::filesystem::path imageOutput(const std::string& word)
{
    if (std::filesystem::path(word).filename().empty())
        throw UsageError("\"" + word + "\" names a folder; name the image file");
    return ImageFile::withDefaultExtension(word);
}

void makeFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder))
        throw Error("Cannot make the folder \"" + folder.string() + "\": " +
                    (ec ? ec.message() : "a file of that name is in the way") + ".");
}

void checkOutputFile(const std::filesystem::path& out)
{
    BlockFile::checkReplaceable(out);
    const std::filesystem::path folder = out.parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
        throw Error("Cannot create \"" + out.string() + "\": there is no folder \"" + folder.string() + "\".");
}

long parseNumber(const std::string& text, long min, long max, std::string_view what)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw UsageError(std::string(what) + " must be a whole number from " + std::to_string(min) +
                         " to " + std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

} // namespace vellum::cli
