// libFuzzer entry for the split-piece header and the set check: the input
// is cut at each "|" into up to four pieces, held in memory, and joined into
// a private folder. A set that joins must give its pieces' payloads in order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "splitjoin/CopyProgress.h"
#include "splitjoin/FileJoiner.h"
#include "splitjoin/SplitHeader.h"

using namespace vellum;

namespace {

class NoProgress : public CopyProgress {
public:
    void started(const std::string&) override {}
    void advanced(int) override {}
    void created(const std::string&) override {}
    void ended() override {}
};

constexpr std::uint8_t kCut = '|';
constexpr std::size_t kMaxPieces = 4;

std::vector<std::uint8_t> readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::World world;
    std::vector<std::unique_ptr<fuzz::MemoryFile>> files;
    std::vector<std::filesystem::path> pieces;
    std::vector<std::uint8_t> payloads;
    const std::uint8_t* start = data;
    const std::uint8_t* end = data + size;
    while (pieces.size() < kMaxPieces) {
        const std::uint8_t* cut = pieces.size() + 1 == kMaxPieces ? end : std::find(start, end, kCut);
        const fuzz::Input piece(start, static_cast<std::size_t>(cut - start));
        files.push_back(std::make_unique<fuzz::MemoryFile>(piece));
        pieces.push_back(files.back()->path());
        if (piece.size() > SplitHeader::kSize)
            payloads.insert(payloads.end(), piece.begin() + SplitHeader::kSize, piece.end());
        if (cut == end)
            break;
        start = cut + 1;
    }
    NoProgress progress;
    const auto outcome = FileJoiner(world.prompter, progress, ExistingFiles::Replace).join(pieces, fuzz::privateFolder().string());
    if (outcome.status != FileJoiner::Status::Completed)
        return 0;
    if (readAll(outcome.target) != payloads)
        std::abort();
    std::filesystem::remove(outcome.target);
    return 0;
}
