#pragma once
// The diskettes a virtual or real drive can hold: each standard layout with
// the physical kind of diskette it lies on, which decides the drives that
// take it and what it can be reformatted to.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/StandardFormats.h"
#include "core/Bpb.h"

namespace vellum {

// The physical diskette; a layout can only be laid on a diskette of its kind.
enum class MediumKind { DoubleDensity525, HighDensity525, DoubleDensity35, HighDensity35, ExtraDensity35 };

struct MediumFormat {
    std::string_view name; // as the user names a capacity: "1.44M"
    MediumKind kind;
    std::uint8_t formatCode; // the standard layout's code

    const StandardFormat& standard() const;
    Bpb bpb() const;
    std::uint32_t sectorsPerTrack() const { return standard().sectorsPerTrack; }
    std::uint32_t cylinders() const { return bpb().cylinders(); }
    std::uint32_t sectors() const { return standard().totalSectors; }
    std::uint64_t bytes() const { return standard().imageBytes(); }
};

std::span<const MediumFormat> mediumFormats();
const MediumFormat* mediumFormatNamed(std::string_view name);
// The format whose image has exactly this many bytes.
const MediumFormat* mediumFormatOfSize(std::uint64_t bytes);
// The format of this kind of diskette with this many sectors per track.
const MediumFormat* mediumFormatFor(MediumKind kind, std::uint32_t sectorsPerTrack);
// "360K, 720K, 1.2M, 1.44M, 1.68M or 2.88M", for messages.
std::string mediumFormatList();

} // namespace vellum
