// Saving and opening a full DMF image of mixed content, beside gzip -6 on
// the same raw bytes. Run: build/release/bench/vellum_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/CVLMDoc.h"
#include "core/ImageFile.h"
#include "core/Prompter.h"
#include "core/StandardFormats.h"
#include "tests/support/MemoryProfile.h"

namespace {

using namespace vellum;

class SilentPrompter : public Prompter {
public:
    Answer ask(const std::string&, Buttons, Icon) override { return Answer::Yes; }
};

// Memory-backed when the machine has it, so the numbers are the program's own
// work and not the disk's flush time (a save waits for fdatasync).
std::filesystem::path benchDir()
{
    const std::filesystem::path shm = "/dev/shm";
    return (std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) / "vellum-bench";
}

const std::filesystem::path kDir = benchDir();

// A DMF diskette: FAT structures, text, zeros and random bytes by quarters.
void fillMixed(CVLMDoc& doc)
{
    const StandardFormat& dmf = *formatByCode(18);
    doc.setGeometry(dmf.geometry());
    doc.TracksLoaded = dmf.tracks();
    auto image = doc.image().first(dmf.imageBytes());
    std::mt19937 random(1998);
    const std::string prose = "The quick brown fox jumps over the lazy dog; diskettes keep data for decades. ";
    for (std::size_t i = 0; i < image.size(); ++i) {
        const std::size_t quarter = i * 4 / image.size();
        if (i < 7 * kSectorBytes)
            image[i] = static_cast<std::uint8_t>(i % 3 == 0 ? 0xFF : (i / 3) & 0xFF); // FAT-like
        else if (quarter == 0 || quarter == 1)
            image[i] = static_cast<std::uint8_t>(prose[i % prose.size()]);
        else if (quarter == 2)
            image[i] = 0;
        else
            image[i] = static_cast<std::uint8_t>(random());
    }
}

struct Fixture {
    test::MemoryProfile profile;
    SilentPrompter prompter;
    CVLMDoc doc{profile, prompter};
    std::filesystem::path vlm = kDir / "mixed.VLM";
    std::filesystem::path raw = kDir / "mixed.img";

    Fixture()
    {
        std::filesystem::create_directories(kDir);
        fillMixed(doc);
        ImageFile(doc, prompter).save(raw, "");
        ImageFile(doc, prompter).save(vlm, "bench");
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void SaveDmfAllCoders(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFile(f.doc, f.prompter).save(f.vlm, "bench"));
}

void OpenDmf(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFile(f.doc, f.prompter).open(f.vlm));
}

void Gzip6SameImage(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string command = "gzip -6 -c '" + f.raw.string() + "' > '" + (kDir / "mixed.gz").string() + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("gzip failed");
}

BENCHMARK(SaveDmfAllCoders)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OpenDmf)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Gzip6SameImage)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
