#pragma once
// What a rescue knows of each sector of a diskette, kept as a GNU ddrescue
// mapfile in bytes, so ddrescuelog and ddrescueview read it and a later
// rescue goes on from it. The file: "#" comment lines, then the status line
// "current_pos current_status current_pass", then one line "pos size status"
// per run of sectors in the same state, from position 0 without a gap.
// Positions and sizes are bytes, written in hexadecimal as ddrescue writes
// them; a map read must keep to whole 512-byte sectors.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

class RescueMap {
public:
    // ddrescue's block states.
    enum class State : char {
        Untried = '?',
        Unscraped = '/', // in a track that failed whole, not yet read alone
        Bad = '-',       // failed when read alone
        Read = '+',
    };
    // ddrescue's "current status" of the run.
    enum class Phase : char { Copying = '?', Scraping = '/', Retrying = '-', Finished = '+' };

    RescueMap() = default;
    explicit RescueMap(std::uint32_t sectors) : states_(sectors, State::Untried) {}

    // Throws Error naming the file and the line that is malformed.
    static RescueMap parse(std::string_view text, const std::string& name);
    static RescueMap read(const std::filesystem::path& file);
    // The mapfile text; `commandLine` goes into its header.
    std::string text(const std::string& commandLine) const;
    // Replaces the file only once the new map is written whole.
    void write(const std::filesystem::path& file, const std::string& commandLine) const;

    std::uint32_t sectors() const { return static_cast<std::uint32_t>(states_.size()); }
    State at(std::uint32_t sector) const { return states_.at(sector); }
    void set(std::uint32_t sector, State state) { states_.at(sector) = state; }
    std::uint32_t count(State state) const;
    // The sectors tried and not read: bad ones and those of failed tracks.
    std::vector<std::uint32_t> unreadable() const;
    // Sectors past the end of the map are untried.
    void extendTo(std::uint32_t sectors);

    // Where the run stands, for the status line.
    void setPosition(std::uint32_t sector, Phase phase, int pass);

private:
    std::vector<State> states_;
    std::uint32_t position_ = 0;
    Phase phase_ = Phase::Copying;
    int pass_ = 1;
};

} // namespace vellum
