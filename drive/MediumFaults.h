#pragma once
// The faults of a virtual diskette, so a rescue can be rehearsed: a text
// file IMAGE.faults beside the image, one fault a line, "CYL HEAD SECTOR
// MODE" with cylinder and head from 0 and sector from 1; "#" starts a
// comment. The modes:
//   bad       every read and write of the sector fails, as a CRC error does
//   weak N    the first N reads fail, later ones succeed
//   slow MS   every read of the sector takes MS milliseconds
// The file is looked at again whenever it changes; the weak sectors' read
// counts start over then, and when another diskette goes in.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "core/StandardFormats.h"

namespace vellum {

class MediumFaults {
public:
    enum class Mode { Bad, Weak, Slow };
    struct Fault {
        Mode mode = Mode::Bad;
        std::uint32_t amount = 0; // failing reads of a weak sector, milliseconds of a slow one
    };
    static constexpr std::uint32_t kSlowestMs = 60'000;

    static std::filesystem::path fileOf(const std::filesystem::path& image);
    // The faults of the image's fault file, keyed by logical sector; empty
    // when it has none. Throws Error naming the line that is malformed or
    // names a sector the layout lacks.
    static std::map<std::uint32_t, Fault> read(const std::filesystem::path& image, const StandardFormat& layout);

    // Follows the fault file of this image; throws Error as read does.
    void follow(const std::filesystem::path& image, const StandardFormat& layout);
    // Forgets the diskette followed.
    void clear();

    // A drive status for reading or writing `count` sectors from `first`.
    // A read counts once against every weak sector in it and waits for the
    // slow ones.
    int read(std::uint32_t first, std::uint32_t count);
    int write(std::uint32_t first, std::uint32_t count) const;

private:
    std::string followed_; // which image and fault file, as last seen
    std::map<std::uint32_t, Fault> faults_;
    std::map<std::uint32_t, std::uint32_t> failedReads_;
};

} // namespace vellum
