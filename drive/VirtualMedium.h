#pragma once
// A diskette of a virtual drive: a raw image file on the host, the sectors in
// logical order, written in place as a real diskette is. A blank medium, not
// yet formatted, is a file of its capacity with a marker file beside it
// ("FILE.unformatted") that names the capacity and the file it was made for;
// formatting removes the marker, and one left beside another file is ignored.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "core/Bpb.h"
#include "drive/FormatRequest.h"
#include "core/StandardFormats.h"

namespace vellum {

class VirtualMedium {
public:
    enum class State { Missing, UnknownSize, Blank, Formatted };

    // Looks at the file as it is now.
    explicit VirtualMedium(std::filesystem::path file);

    const std::filesystem::path& path() const { return file_; }
    State state() const { return state_; }
    // The layout the medium holds; null when it is missing or of no diskette's size.
    const StandardFormat* format() const { return format_; }
    std::uintmax_t size() const { return size_; }
    // No one may write the file (a read-only file is a write-protected diskette).
    bool readOnly() const { return readOnly_; }

    // The BPB its boot sector states, when that fits the medium.
    std::optional<Bpb> bootSectorBpb() const;

    // Status codes as a drive reports them. The file is opened at the first
    // transfer and kept open by this medium and the copies made after it.
    int read(std::uint32_t first, std::span<std::uint8_t> out) const;
    int write(std::uint32_t first, std::span<const std::uint8_t> data) const;
    // Fills both tracks of the cylinder with the fill byte; when `layout`
    // differs from the medium's, the whole medium is re-laid (and emptied)
    // first. A cylinder the layout does not have is refused as invalid.
    int formatCylinder(std::uint32_t cylinder, const StandardFormat& layout);

    static std::filesystem::path markerOf(const std::filesystem::path& file);
    // A new blank medium; throws Error when the file exists or cannot be made.
    static void createBlank(const std::filesystem::path& file, const StandardFormat& capacity);
    // "blank-1.44M.img" in `folder`, or the first "blank-1.44M-N.img" no file has yet.
    static std::filesystem::path freeBlankPath(const std::filesystem::path& folder, const StandardFormat& capacity);

private:
    int relay(const StandardFormat& layout);
    // The open file, or -1 with errno set.
    int descriptor() const;

    std::filesystem::path file_;
    State state_ = State::Missing;
    const StandardFormat* format_ = nullptr;
    std::uintmax_t size_ = 0;
    bool readOnly_ = false;
    mutable std::shared_ptr<const int> open_;
};

} // namespace vellum
