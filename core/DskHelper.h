#pragma once
// Teledisk and CopyQM images, read by the helper program vellum-dsk (over
// libdsk) that lies beside the running program. It runs as a process of its
// own with a time limit and an output limit, so a fault or a hang in the
// library on a hostile file becomes a refusal here.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "core/TrackLayout.h"

namespace vellum {

class DskHelper {
public:
    static constexpr std::string_view kProgram = "vellum-dsk";
    static constexpr std::chrono::seconds kTimeLimit{20};

    // `type` is libdsk's driver name ("tele", "copyqm"). Throws Error naming `file`.
    static DecodedImage read(const std::filesystem::path& file, const std::string& type);
    // Parses the helper's output; throws Error naming `name`.
    static DecodedImage parse(std::span<const std::uint8_t> output, const std::string& name);

private:
    static std::filesystem::path helperPath();
    static std::vector<std::uint8_t> run(const std::filesystem::path& file, const std::string& type, const std::string& name);
    // Starts the helper with its output on a pipe, whose end is `output`.
    static pid_t spawn(const std::string& program, const std::filesystem::path& file, const std::string& type,
                       int& output);
    // Reads the helper's output into `out` until it ends; else why it was stopped.
    static std::string collect(int output, std::vector<std::uint8_t>& out);
};

} // namespace vellum
