#pragma once
// What the fuzz targets share: a document over an in-memory profile, a
// prompter that answers every question so the code runs as far as it can,
// inputs handed over as files that live only in memory, and a private folder
// for what a target must write, removed when the run ends.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"
#include "tests/support/MemoryProfile.h"

namespace vellum::fuzz {

using Input = std::span<const std::uint8_t>;

// Yes to every question, OK to every message.
class YesPrompter : public Prompter {
public:
    Answer ask(const std::string&, Buttons buttons, Icon) override
    {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

struct World {
    test::MemoryProfile profile;
    YesPrompter prompter;
    CVLMDoc doc{profile, prompter};
};

// Bytes as a file no folder holds: its name is /proc/self/fd/N.
class MemoryFile {
public:
    explicit MemoryFile(Input bytes);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::filesystem::path path() const;

private:
    int fd_;
};

// A folder of this process, emptied and removed at exit.
const std::filesystem::path& privateFolder();

// Lays the input over the system area of an empty 1.44 MB image in memory,
// from the FAT on, with every track loaded.
void layOverSystemArea(CVLMDoc& doc, Input input);

} // namespace vellum::fuzz
