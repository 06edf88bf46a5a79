#include "ops/StatusPanel.h"

#include <algorithm>
#include <array>

#include "core/CVLMDoc.h"
#include "core/MediaTable.h"

namespace vellum {

namespace {

const std::string kVolumePrefix = "  Volume Label:    ";
const std::string kVolumeNone = "  Volume Label:   None";
const std::string kMemoryPrefix = "  Memory Status:    ";
const std::string kMemoryEmpty = kMemoryPrefix + "Empty";
// Changes made in memory and not yet kept in a file or on a diskette.
const std::string kChangedSuffix = " (changed)";
const std::string kOperationPrefix = "  Last Operation:    ";
const std::string kOperationNone = kOperationPrefix + "None";
const std::string kStatusPrefix = "  Last Operation Status:    ";
const std::string kStatusNone = kStatusPrefix + "N/A";
const std::string kCheckingMediaText = "  Checking Media...";

// The lower line keeps a 20-character lead and a name of at most 20.
constexpr std::size_t kOperationLead = 20;
constexpr std::size_t kOperationNameMax = 20;

constexpr std::array<std::string_view, 5> kStatusWords = {
    "Unsuccessful", "Successful", "In Progess", "Force Format", "Cancelled by Operator",
};

// What the diskette's label reads when it has none.
constexpr std::string_view kNoName = "NO NAME";
constexpr std::string_view kNoneLabel = "None   ";

constexpr std::string_view kUnknown = "Unknown";
constexpr std::string_view kName288 = "2.88Mb      ";

} // namespace

StatusPanel::StatusPanel()
    : volume_(kVolumeNone), memory_(kMemoryEmpty), operation_(kOperationNone), status_(kStatusNone)
{
}

std::string StatusPanel::operationText(int operation)
{
    const std::string_view name = CVLMDoc::OperationNames(operation).value_or(kUnknown);
    return kOperationPrefix.substr(0, kOperationLead) + std::string(name.substr(0, kOperationNameMax));
}

std::optional<std::string> StatusPanel::statusText(int status)
{
    if (status < 0)
        return std::nullopt;
    if (status == kCheckingMedia)
        return kCheckingMediaText;
    if (static_cast<std::size_t>(status) < kStatusWords.size())
        return kStatusPrefix + std::string(kStatusWords[static_cast<std::size_t>(status)]);
    return kStatusPrefix + std::string(kUnknown);
}

std::string StatusPanel::volumeText(std::string_view label)
{
    std::string shown(label.substr(0, label.find('\0')));
    if (shown.empty() || shown.starts_with(kNoName))
        shown.replace(0, std::min(shown.size(), kNoneLabel.size()), kNoneLabel);
    return kVolumePrefix + shown;
}

std::string StatusPanel::memoryText(const DriveGeometry& geometry)
{
    if (const auto index = FormatOf(geometry))
        return kMemoryPrefix + std::string(FormatNames[static_cast<std::size_t>(*index)]);
    return kMemoryPrefix + std::string(geometry.MediaCode == kMediaCode288 ? kName288 : kUnknown);
}

void StatusPanel::ShowLastOperation(int operation, int status)
{
    operation_ = operationText(operation);
    if (auto text = statusText(status))
        status_ = std::move(*text);
    changed();
}

void StatusPanel::ShowBadSectors(std::size_t count)
{
    status_ = *statusText(kUnsuccessful) + " - " + std::to_string(count) + (count == 1 ? " bad sector" : " bad sectors");
    changed();
}

void StatusPanel::ShowVolumeAndMemoryStatus(const CVLMDoc& doc)
{
    volume_ = volumeText(std::string_view(doc.volumeLabel.data(), kVolumeLabelLength));
    memory_ = memoryText(doc.geometry) + (doc.imageChanged ? kChangedSuffix : "");
    changed();
}

void StatusPanel::ShowEmpty()
{
    volume_ = kVolumeNone;
    memory_ = kMemoryEmpty;
    changed();
}

} // namespace vellum
