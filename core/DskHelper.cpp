#include "core/DskHelper.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <optional>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "core/CompressedImage.h"
#include "core/Error.h"
#include "core/TextCodec.h"

extern char** environ;

namespace vellum {

namespace {

// The helper's text lines beside the sectors: a few per track.
constexpr std::size_t kLineAllowance = 64 * 1024;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::string_view kHeader = "vellum-dsk 1";

class Lines {
public:
    Lines(std::span<const std::uint8_t> bytes, const std::string& name) : bytes_(bytes), name_(name) {}
    std::string line()
    {
        const auto end = std::find(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), bytes_.end(), '\n');
        if (end == bytes_.end())
            throw bad();
        std::string text(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), end);
        at_ = static_cast<std::size_t>(end - bytes_.begin()) + 1;
        return text;
    }
    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (n > bytes_.size() - at_)
            throw bad();
        at_ += n;
        return bytes_.subspan(at_ - n, n);
    }
    Error bad() const { return Error("\"" + name_ + "\" could not be read: the image reader's answer is cut short."); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    const std::string& name_;
};

// Hex pairs as bytes; nothing when one is no hex.
std::optional<std::string> unhex(const std::string& hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            return std::nullopt;
        out += static_cast<char>(byte);
    }
    return out;
}

FoundState stateOf(char c)
{
    switch (c) {
    case 'g': return FoundState::Good;
    case 'd': return FoundState::Deleted;
    case 'e': return FoundState::DataError;
    default: return FoundState::Unreadable;
    }
}

FoundTrack readTrack(Lines& in, const std::string& line)
{
    std::istringstream fields(line);
    std::string word;
    FoundTrack t;
    std::size_t count = 0;
    if (!(fields >> word >> t.cylinder >> t.head >> t.sectorBytes >> count) || t.sectorBytes > kChunk)
        throw in.bad();
    for (std::size_t i = 0; i < count; ++i) {
        std::istringstream sector(in.line());
        FoundSector s;
        char state = 0;
        if (!(sector >> s.id >> state))
            throw in.bad();
        s.state = stateOf(state);
        t.sectors.push_back(std::move(s));
    }
    for (FoundSector& s : t.sectors) {
        const auto data = in.take(t.sectorBytes);
        if (s.state != FoundState::Unreadable)
            s.data.assign(data.begin(), data.end());
    }
    return t;
}

} // namespace

std::filesystem::path DskHelper::helperPath()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return self.parent_path() / kProgram;
}

DecodedImage DskHelper::parse(std::span<const std::uint8_t> output, const std::string& name)
{
    Lines in(output, name);
    std::string line = in.line();
    if (line.starts_with("error "))
        throw Error("\"" + name + "\" could not be read: " + line.substr(6) + ".");
    if (line != kHeader)
        throw in.bad();
    line = in.line();
    if (!line.starts_with("comment "))
        throw in.bad();
    const auto comment = unhex(line.substr(8));
    if (!comment)
        throw in.bad();
    std::vector<FoundTrack> tracks;
    while ((line = in.line()) != "end") {
        if (!line.starts_with("track "))
            throw in.bad();
        tracks.push_back(readTrack(in, line));
    }
    DecodedImage image = TrackLayout::toImage(tracks, name);
    image.description = TextCodec::cp1252ToUtf8(*comment);
    return image;
}

pid_t DskHelper::spawn(const std::string& program, const std::filesystem::path& file, const std::string& type,
                       int& output)
{
    std::array<int, 2> pipe{};
    if (::pipe2(pipe.data(), O_CLOEXEC) != 0)
        throw Error(fileErrorText("run", program));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string path = file.string();
    std::array<char*, 4> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()),
                                 const_cast<char*>(type.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) {
        ::close(pipe[0]);
        errno = spawned;
        throw Error(fileErrorText("run", program));
    }
    output = pipe[0];
    return pid;
}

std::string DskHelper::collect(int output, std::vector<std::uint8_t>& out)
{
    std::array<std::uint8_t, kChunk> chunk{};
    const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{output, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0)
            return "it took longer than " + std::to_string(kTimeLimit.count()) + " seconds";
        const ssize_t got = ::read(output, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {};
        out.insert(out.end(), chunk.begin(), chunk.begin() + got);
        if (out.size() > CompressedImage::kMostBytes + kLineAllowance)
            return "it gave more than any diskette holds";
    }
}

std::vector<std::uint8_t> DskHelper::run(const std::filesystem::path& file, const std::string& type, const std::string& name)
{
    const std::string program = helperPath().string();
    if (::access(program.c_str(), X_OK) != 0)
        throw Error("\"" + name + "\" cannot be read: its reader " + program + " is not installed.");
    int output = -1;
    const pid_t pid = spawn(program, file, type, output);
    std::vector<std::uint8_t> out;
    const std::string stopped = collect(output, out);
    ::close(output);
    if (!stopped.empty())
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!stopped.empty())
        throw Error("\"" + name + "\" could not be read: its reader was stopped, as " + stopped + ".");
    if (WIFSIGNALED(status))
        throw Error("\"" + name + "\" could not be read: its reader failed on it (signal " +
                    std::to_string(WTERMSIG(status)) + ").");
    return out;
}

DecodedImage DskHelper::read(const std::filesystem::path& file, const std::string& type)
{
    const std::string name = file.string();
    return parse(run(file, type, name), name);
}

} // namespace vellum
