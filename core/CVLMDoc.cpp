#include "core/CVLMDoc.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <array>
#include <utility>

#include "core/Profile.h"
#include "core/Prompter.h"

namespace vellum {

namespace {

constexpr std::array<std::string_view, 13> kOperationNames = {
    "Load Diskette", "Load File", "Copy Diskette", "Copy/Verify Diskette",
    "Copy File", "Compare Diskette", "Transfer System Only", "Quick Format",
    "Quick Format with System", "Full Format", "Full Format with System",
    "Format DMF Diskette", "Rescue Diskette",
};

constexpr std::array<std::pair<int, std::string_view>, 32> kStatusMessages = {{
    {0, "Command completed successfully"},
    {1, "Successful, but retries required"},
    {2, "Successful, but with retries and ECC required"},
    {16, "Bit indicating error occurred"},
    {17, "Command was canceled"},
    {18, "Command is in progress, and can't be cancelled"},
    {19, "Cancel of an invalid command"},
    {20, "Media failure"},
    {21, "Error on recalib. drive, etc."},
    {22, "Command not supported or invalid"},
    {23, "Physical or logical device nonexistant"},
    {24, "Media removed from device"},
    {25, "Media may have changed"},
    {26, "Un-recoverable error"},
    {27, "General hardware failure"},
    {28, "Unformatted media"},
    {29, "Error allocating DMA buffer space for I/O"},
    {30, "Device timed out"},
    {31, "Write protect error"},
    {32, "Device not ready"},
    {33, "Device is busy"},
    {34, "Volume received unlock without lk"},
    {35, "Eject received with drive locked"},
    {36, "Removable request to non-removable drive"},
    {37, "Volume is in use - used for eject"},
    {38, "Volume lock count exceeded"},
    {39, "Eject command was not accepted"},
    {40, "CD-rom read on audio or attempt play on data"},
    {41, "Illegal access to locked device"},
    {42, "Wrong media in drive"},
    {43, "No space on media"},
    {44, "Attempt to split big I/O failed"},
}};

// Fresh pages the system zero-fills as they are first touched, so a command
// that reads only part of an image never clears the rest; aligned for one
// huge page where the system offers them, so a whole image costs one fault
// and no page-table walks.
CVLMDoc::Store allocateStore()
{
    constexpr std::size_t kBytes = CVLMDoc::kStoreBytes;
    // Twice the size, to cut an aligned piece out of.
    void* const area = ::mmap(nullptr, 2 * kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t aligned = (start + kBytes - 1) & ~std::uintptr_t{kBytes - 1};
    if (aligned > start)
        ::munmap(area, aligned - start);
    ::munmap(reinterpret_cast<void*>(aligned + kBytes), start + 2 * kBytes - (aligned + kBytes));
    ::madvise(reinterpret_cast<void*>(aligned), kBytes, MADV_HUGEPAGE);
    return CVLMDoc::Store(reinterpret_cast<std::uint8_t*>(aligned));
}

} // namespace

CVLMDoc::Store CVLMDoc::freshStore()
{
    return allocateStore();
}

void CVLMDoc::FreeStore::operator()(std::uint8_t* store) const
{
    ::munmap(store, kStoreBytes);
}

CVLMDoc::CVLMDoc(const Profile& profile, Prompter& prompter)
    : options(Options::read(profile)), image_(allocateStore())
{
    if (!image_)
        prompter.tell(std::string(kNoImageMemory), Icon::Stop);
}

std::span<std::uint8_t> CVLMDoc::track(int t)
{
    const std::size_t size = geometry.trackBytes();
    if (t < 0 || size == 0)
        return {};
    const std::size_t start = static_cast<std::size_t>(t) * size;
    if (start + size > image().size())
        return {};
    return image().subspan(start, size);
}

void CVLMDoc::setGeometry(const DriveGeometry& g)
{
    geometry = g;
    areas = AreaPointers::from(g);
}

std::size_t CVLMDoc::loadedBytes() const
{
    const std::size_t bytes = static_cast<std::size_t>(std::max(TracksLoaded, 0)) * geometry.trackBytes();
    return std::min(bytes, image().size());
}

std::string CVLMDoc::heldInPartText() const
{
    return "Memory holds only the first " + std::to_string(TracksLoaded) +
           " tracks of this diskette, so it cannot be written, verified or compared as a whole diskette.";
}

std::string CVLMDoc::volumeLabelText() const
{
    return std::string(volumeLabel.data(), std::find(volumeLabel.begin(), volumeLabel.end() - 1, '\0'));
}

void CVLMDoc::setVolumeLabel(std::string_view label)
{
    volumeLabel.fill('\0');
    std::copy_n(label.begin(), std::min(label.size(), kVolumeLabelLength), volumeLabel.begin());
}

std::optional<std::string_view> CVLMDoc::OperationNames(int key)
{
    if (key < 0 || key >= static_cast<int>(kOperationNames.size()))
        return std::nullopt;
    return kOperationNames[static_cast<std::size_t>(key)];
}

std::optional<std::string_view> CVLMDoc::StatusMessages(int code)
{
    for (const auto& [c, text] : kStatusMessages)
        if (c == code)
            return text;
    return std::nullopt;
}

std::string CVLMDoc::statusText(int code)
{
    if (const auto text = StatusMessages(code))
        return std::string(*text);
    return "Unknown driver status " + std::to_string(code);
}

} // namespace vellum
