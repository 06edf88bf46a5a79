#include "ops/RescueMap.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/StandardFormats.h"

namespace vellum {

namespace {

constexpr std::string_view kBlockStates = "?*/-+";
constexpr std::string_view kRunStates = "?*/-FG+";
// ddrescue's "failed, not trimmed" is read sector by sector like a failed track.
constexpr char kNonTrimmed = '*';

struct PhaseText {
    RescueMap::Phase phase;
    const char* text;
};
constexpr std::array<PhaseText, 4> kPhaseTexts = {{
    {RescueMap::Phase::Copying, "Reading whole tracks..."},
    {RescueMap::Phase::Scraping, "Reading failed tracks sector by sector..."},
    {RescueMap::Phase::Retrying, "Retrying bad sectors..."},
    {RescueMap::Phase::Finished, "Finished"},
}};

std::string hex(std::uint64_t n)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIX64, n);
    return text;
}

std::string localTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

class MapParser {
public:
    explicit MapParser(const std::string& name) : name_(name) {}

    RescueMap parse(std::string_view text)
    {
        std::istringstream in{std::string(text)};
        bool statusSeen = false;
        for (std::string line; std::getline(in, line);) {
            ++line_;
            std::istringstream words(line);
            std::vector<std::string> w;
            for (std::string word; words >> word;)
                w.push_back(word);
            if (w.empty() || w[0][0] == '#')
                continue;
            if (!std::exchange(statusSeen, true))
                statusLine(w);
            else
                block(w);
        }
        if (!statusSeen)
            throw Error(name_ + " is no ddrescue mapfile: it has no status line");
        RescueMap map(static_cast<std::uint32_t>(states_.size()));
        for (std::uint32_t s = 0; s < map.sectors(); ++s)
            map.set(s, states_[s]);
        return map;
    }

private:
    [[noreturn]] void refuse(const std::string& why) const
    {
        throw Error(name_ + ", line " + std::to_string(line_) + ": " + why);
    }

    std::uint64_t number(const std::string& word, const char* what) const
    {
        std::size_t used = 0;
        std::optional<std::uint64_t> n;
        try {
            n = std::stoull(word, &used, 0);
        } catch (const std::exception&) {
        }
        if (!n || used != word.size() || word[0] == '-')
            refuse("the " + std::string(what) + " \"" + word + "\" is no number");
        return *n;
    }

    static bool oneOf(const std::string& word, std::string_view states)
    {
        return word.size() == 1 && states.find(word[0]) != std::string_view::npos;
    }

    void statusLine(const std::vector<std::string>& w) const
    {
        number(w[0], "position");
        if (w.size() < 2 || w.size() > 3 || !oneOf(w[1], kRunStates))
            refuse("the status line is \"current_pos current_status [current_pass]\"");
        if (w.size() == 3)
            number(w[2], "pass");
    }

    void block(const std::vector<std::string>& w)
    {
        if (w.size() != 3 || !oneOf(w[2], kBlockStates))
            refuse("a block is \"pos size status\", its status one of " + std::string(kBlockStates));
        const std::uint64_t pos = number(w[0], "position");
        const std::uint64_t size = number(w[1], "size");
        const std::uint64_t end = std::uint64_t{states_.size()} * kSectorBytes;
        if (pos != end)
            refuse("the block starts at " + hex(pos) + ", but the one before it ends at " + hex(end));
        if (size == 0 || size % kSectorBytes != 0)
            refuse("the block of " + std::to_string(size) + " bytes is no whole number of 512-byte sectors");
        if (size > kMostBytes - pos)
            refuse("the block ends past " + groupedNumber(kMostBytes) + " bytes, beyond any diskette");
        const char state = w[2][0] == kNonTrimmed ? static_cast<char>(RescueMap::State::Unscraped) : w[2][0];
        states_.insert(states_.end(), size / kSectorBytes, static_cast<RescueMap::State>(state));
    }

    static constexpr std::uint64_t kMostBytes = 4'000'000;

    const std::string& name_;
    int line_ = 0;
    std::vector<RescueMap::State> states_;
};

} // namespace

RescueMap RescueMap::parse(std::string_view text, const std::string& name)
{
    return MapParser(name).parse(text);
}

RescueMap RescueMap::read(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error(fileErrorText("read", file));
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str(), file.string());
}

std::string RescueMap::text(const std::string& commandLine) const
{
    const auto phase =
        std::find_if(kPhaseTexts.begin(), kPhaseTexts.end(), [this](const PhaseText& p) { return p.phase == phase_; });
    std::string out =
        "# Mapfile. Created by Vellum\n# Command line: " + commandLine + "\n# Current time: " + localTime() + "\n# " +
        phase->text + (phase_ == Phase::Finished ? "" : " Pass " + std::to_string(pass_)) +
        "\n# current_pos  current_status  current_pass\n" + hex(std::uint64_t{position_} * kSectorBytes) + "     " +
        static_cast<char>(phase_) + "               " + std::to_string(pass_) + "\n#      pos        size  status\n";
    for (std::uint32_t s = 0; s < sectors();) {
        std::uint32_t end = s + 1;
        while (end < sectors() && states_[end] == states_[s])
            ++end;
        out += hex(std::uint64_t{s} * kSectorBytes) + "  " + hex(std::uint64_t{end - s} * kSectorBytes) + "  " +
               static_cast<char>(states_[s]) + "\n";
        s = end;
    }
    return out;
}

void RescueMap::write(const std::filesystem::path& file, const std::string& commandLine) const
{
    AtomicFile out(file);
    out.write(text(commandLine));
    out.commit();
}

std::uint32_t RescueMap::count(State state) const
{
    return static_cast<std::uint32_t>(std::count(states_.begin(), states_.end(), state));
}

std::vector<std::uint32_t> RescueMap::unreadable() const
{
    std::vector<std::uint32_t> sectors;
    for (std::uint32_t s = 0; s < states_.size(); ++s)
        if (states_[s] == State::Bad || states_[s] == State::Unscraped)
            sectors.push_back(s);
    return sectors;
}

void RescueMap::extendTo(std::uint32_t sectors)
{
    if (sectors > states_.size())
        states_.resize(sectors, State::Untried);
}

void RescueMap::setPosition(std::uint32_t sector, Phase phase, int pass)
{
    position_ = sector;
    phase_ = phase;
    pass_ = pass;
}

} // namespace vellum
