#pragma once
// Diskette image files for the drive tests, made in a temporary folder: a
// formatted one carries its format's BPB in the boot sector and a pattern
// that tells every other sector apart; a blank one is what `vlm drive blank`
// makes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Bpb.h"
#include "core/StandardFormats.h"
#include "drive/VirtualMedium.h"
#include "tests/support/TempDir.h"

namespace vellum::test {

inline std::uint8_t patternByte(std::uint32_t sector, std::size_t i)
{
    return static_cast<std::uint8_t>(sector * 7 + i);
}

class DiskImages {
public:
    const std::filesystem::path& folder() const { return dir_.path(); }

    std::filesystem::path formatted(const std::string& name, std::string_view format)
    {
        const StandardFormat& f = *formatNamed(format);
        std::vector<std::uint8_t> bytes(f.imageBytes());
        for (std::size_t at = 0; at < bytes.size(); ++at)
            bytes[at] = patternByte(static_cast<std::uint32_t>(at / kSectorBytes), at % kSectorBytes);
        std::fill_n(bytes.begin(), kSectorBytes, std::uint8_t{0});
        f.bpb().writeTo(bytes);
        const auto path = dir_ / name;
        writeFile(path, bytes);
        return path;
    }

    std::filesystem::path blank(const std::string& name, std::string_view format)
    {
        const auto path = dir_ / name;
        VirtualMedium::createBlank(path, *formatNamed(format));
        return path;
    }

    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

private:
    TempDir dir_;
};

} // namespace vellum::test
