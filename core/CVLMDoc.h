#pragma once
// The one document: the diskette image in memory, its geometry and areas,
// the state of the last diskette operation, the options and the display
// tables. Operations read and write its members directly.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/DirectoryArea.h"
#include "core/DirectoryEntry.h"
#include "core/DriveGeometry.h"
#include "core/Options.h"

namespace vellum {

class Profile;
class Prompter;

inline constexpr std::size_t kImageStoreSize = 1'725'000;
inline constexpr std::size_t kMismatchBufferSize = 2048;
// A label fills the 11 bytes of an entry's name.
inline constexpr std::size_t kVolumeLabelLength = dirent::kShortNameBytes;

enum OperationStateValue : std::int8_t {
    kUnsuccessful = 0,
    kSuccessful = 1,
    kInProgress = 2,
    kForceFormat = 3,
    kCancelled = 4,
    kCheckingMedia = 5,
};

// OperationNames keys.
enum OperationKey : std::uint8_t {
    kOpLoadDiskette = 0,
    kOpLoadFile = 1,
    kOpCopyDiskette = 2,
    kOpCopyVerifyDiskette = 3,
    kOpCopyFile = 4,
    kOpCompareDiskette = 5,
    kOpTransferSystemOnly = 6,
    kOpQuickFormat = 7,
    kOpQuickFormatSystem = 8,
    kOpFullFormat = 9,
    kOpFullFormatSystem = 10,
    kOpFormatDmf = 11,
    kOpRescueDiskette = 12,
};

class CVLMDoc {
public:
    static constexpr std::string_view kNoImageMemory = "Insufficient memory for read operations!";

    CVLMDoc(const Profile& profile, Prompter& prompter);

    // Empty when the store could not be allocated.
    bool hasImage() const { return image_ != nullptr; }
    std::span<std::uint8_t> image() { return {image_.get(), hasImage() ? kImageStoreSize : 0}; }
    std::span<const std::uint8_t> image() const { return {image_.get(), hasImage() ? kImageStoreSize : 0}; }

    // The bytes of track t, or an empty span when they would leave the store.
    std::span<std::uint8_t> track(int t);

    // Sets the geometry and recomputes the area pointers from it.
    void setGeometry(const DriveGeometry& g);

    // Image-store bytes of the diskette in memory: the loaded tracks.
    std::size_t loadedBytes() const;

    // Why an image held in part is not written or compared as a diskette.
    std::string heldInPartText() const;

    std::string volumeLabelText() const;
    void setVolumeLabel(std::string_view label);

    static std::optional<std::string_view> OperationNames(int key);
    static std::optional<std::string_view> StatusMessages(int code);
    // The status text, or one that names a code the table lacks.
    static std::string statusText(int code);

    DriveGeometry geometry;
    AreaPointers areas;
    std::int32_t TracksLoaded = 0;
    // Memory holds only the first tracks of a diskette too big for the store.
    bool HeldInPart = false;
    std::uint8_t SelectedDrive = 0;
    std::int8_t OperationState = kUnsuccessful;
    std::uint8_t CurrentOperation = kOpLoadDiskette;
    std::uint8_t LoadedFromFile = 0;
    std::uint8_t MediaSizeKind = 0;
    std::int32_t ImageEmpty = 1;
    // The image in memory holds changes not yet kept in a file or on a diskette.
    bool imageChanged = false;
    std::array<char, kVolumeLabelLength + 1> volumeLabel{};
    Options options;
    DirectoryArea directory;
    // Diskette sector, then image sector, of a compare mismatch.
    std::array<std::array<std::uint8_t, kMismatchBufferSize>, 2> mismatch{};
    // Where that mismatch is ("Trk 3,Sec 5,Ofs 17"); empty until a compare finds one.
    std::string mismatchHeader;

    // The store is mapped whole: one huge page of the host.
    static constexpr std::size_t kStoreBytes = std::size_t{2} << 20;
    static_assert(kImageStoreSize <= kStoreBytes);
    struct FreeStore {
        void operator()(std::uint8_t* store) const;
    };
    using Store = std::unique_ptr<std::uint8_t[], FreeStore>;

    // A zeroed store of its own, null when memory runs out: an image is read
    // into one whole and then adopted, so a failed read leaves memory as it was.
    static Store freshStore();
    void adoptImage(Store fresh) { image_ = std::move(fresh); }

private:
    Store image_;
};

} // namespace vellum
