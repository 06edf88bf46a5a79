#include "drive/MediumFaults.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "core/Bpb.h"
#include "core/Error.h"
#include "drive/DriveStatus.h"

namespace vellum {

namespace {

const std::string kSuffix = ".faults";
constexpr int kCrcError = kStatusMediaFailure;

std::vector<std::string> wordsOf(const std::string& line)
{
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// A whole decimal number within [low, high]; empty otherwise.
std::optional<std::uint32_t> number(const std::string& word, std::uint32_t low, std::uint32_t high)
{
    if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto n = static_cast<std::uint32_t>(std::stoul(word));
    return n >= low && n <= high ? std::optional(n) : std::nullopt;
}

class LineReader {
public:
    LineReader(const std::filesystem::path& file, const StandardFormat& layout) : file_(file), layout_(layout) {}

    // The sector and fault of one line's words.
    std::pair<std::uint32_t, MediumFaults::Fault> parse(const std::vector<std::string>& w, int line) const
    {
        if (w.size() < 4)
            refuse(line, "a fault is \"CYLINDER HEAD SECTOR MODE\", as in \"0 0 1 bad\"");
        const auto cylinder = number(w[0], 0, layout_.cylinders() - 1);
        const auto head = number(w[1], 0, kHeads - 1);
        const auto sector = number(w[2], 1, layout_.sectorsPerTrack);
        if (!cylinder || !head || !sector)
            refuse(line, "\"" + w[0] + " " + w[1] + " " + w[2] + "\" is no sector of a " +
                             std::string(layout_.capacity) + " diskette (cylinders 0 to " +
                             std::to_string(layout_.cylinders() - 1) + ", heads 0 and 1, sectors 1 to " +
                             std::to_string(layout_.sectorsPerTrack) + ")");
        const std::uint32_t logical = (*cylinder * kHeads + *head) * layout_.sectorsPerTrack + *sector - 1;
        return {logical, fault(w, line)};
    }

    [[noreturn]] void refuse(int line, const std::string& why) const
    {
        throw Error(file_.string() + ", line " + std::to_string(line) + ": " + why);
    }

private:
    MediumFaults::Fault fault(const std::vector<std::string>& w, int line) const
    {
        const std::string& mode = w[3];
        if (mode == "bad" && w.size() == 4)
            return {MediumFaults::Mode::Bad, 0};
        if (mode == "weak" && w.size() == 5)
            if (const auto n = number(w[4], 1, 1'000'000))
                return {MediumFaults::Mode::Weak, *n};
        if (mode == "slow" && w.size() == 5)
            if (const auto ms = number(w[4], 0, MediumFaults::kSlowestMs))
                return {MediumFaults::Mode::Slow, *ms};
        refuse(line, "the mode is \"bad\", \"weak N\" (N failing reads, 1 or more) or \"slow MS\" (0 to " +
                         std::to_string(MediumFaults::kSlowestMs) + " milliseconds)");
    }

    const std::filesystem::path& file_;
    const StandardFormat& layout_;
};

// Which image and which version of its fault file; empty without one.
std::string identityOf(const std::filesystem::path& image)
{
    struct stat st {};
    if (::stat(MediumFaults::fileOf(image).c_str(), &st) != 0)
        return {};
    return image.string() + "\n" + std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

} // namespace

std::filesystem::path MediumFaults::fileOf(const std::filesystem::path& image)
{
    return std::filesystem::path(image.string() + kSuffix);
}

std::map<std::uint32_t, MediumFaults::Fault> MediumFaults::read(const std::filesystem::path& image,
                                                                const StandardFormat& layout)
{
    const std::filesystem::path file = fileOf(image);
    std::map<std::uint32_t, Fault> faults;
    std::ifstream in(file);
    if (!in)
        return faults;
    const LineReader reader(file, layout);
    std::map<std::uint32_t, int> lineOf;
    int line = 0;
    for (std::string text; std::getline(in, text);) {
        ++line;
        const std::vector<std::string> words = wordsOf(text);
        if (words.empty())
            continue;
        const auto [sector, fault] = reader.parse(words, line);
        if (const auto [at, fresh] = lineOf.emplace(sector, line); !fresh)
            reader.refuse(line, "the sector has a fault on line " + std::to_string(at->second) + " already");
        faults[sector] = fault;
    }
    return faults;
}

void MediumFaults::follow(const std::filesystem::path& image, const StandardFormat& layout)
{
    std::string identity = identityOf(image);
    if (identity == followed_)
        return;
    clear();
    faults_ = read(image, layout);
    followed_ = std::move(identity);
}

void MediumFaults::clear()
{
    followed_.clear();
    faults_.clear();
    failedReads_.clear();
}

int MediumFaults::read(std::uint32_t first, std::uint32_t count)
{
    int status = kStatusOk;
    std::uint32_t waitMs = 0;
    for (auto it = faults_.lower_bound(first); it != faults_.end() && it->first - first < count; ++it) {
        const Fault& f = it->second;
        if (f.mode == Mode::Slow)
            waitMs += f.amount;
        else if (f.mode == Mode::Bad)
            status = kCrcError;
        else if (std::uint32_t& failed = failedReads_[it->first]; failed < f.amount) {
            ++failed;
            status = kCrcError;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    return status;
}

int MediumFaults::write(std::uint32_t first, std::uint32_t count) const
{
    for (auto it = faults_.lower_bound(first); it != faults_.end() && it->first - first < count; ++it)
        if (it->second.mode == Mode::Bad)
            return kCrcError;
    return kStatusOk;
}

} // namespace vellum
