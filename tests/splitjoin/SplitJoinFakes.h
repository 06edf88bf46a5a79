#pragma once
// Fakes for the split and join engines' seams, and a maker of piece files.
#include <deque>
#include <functional>
#include <random>

#include "splitjoin/CopyProgress.h"
#include "splitjoin/SplitHeader.h"
#include "splitjoin/VolumeProbe.h"
#include "tests/support/TempDir.h"

namespace vellum::test {

class FakeVolume : public VolumeProbe {
public:
    std::uint64_t freeBytes(const std::filesystem::path&) override
    {
        ++freeQueries;
        if (free.empty())
            return 0;
        const std::uint64_t f = free.front();
        if (free.size() > 1)
            free.pop_front();
        return f;
    }
    bool isRemovable(const std::filesystem::path&) override { return removable; }

    bool removable = false;
    std::deque<std::uint64_t> free; // the last value repeats
    int freeQueries = 0;
};

class CopyRecorder : public CopyProgress {
public:
    void started(const std::string& piece) override
    {
        startedPieces.push_back(piece);
        if (onStarted)
            onStarted(piece);
    }
    void advanced(int percent) override { percents.push_back(percent); }
    void created(const std::string& piece) override { createdPieces.push_back(piece); }
    void ended() override { ++endings; }
    bool cancelRequested() override { return cancel; }

    std::vector<std::string> startedPieces;
    std::vector<std::string> createdPieces;
    std::vector<int> percents;
    int endings = 0;
    bool cancel = false;
    std::function<void(const std::string&)> onStarted;
};

inline std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(gen());
    return bytes;
}

inline void writePieceFile(const std::filesystem::path& path, const SplitHeader& header,
                           std::span<const std::uint8_t> payload)
{
    std::vector<std::uint8_t> bytes;
    const auto h = header.encode();
    bytes.insert(bytes.end(), h.begin(), h.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    writeFile(path, bytes);
}

} // namespace vellum::test
