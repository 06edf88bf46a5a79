#include "ops/VolumeLabel.h"

#include <algorithm>
#include <cctype>

#include "core/Bytes.h"
#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/Prompter.h"
#include "core/ViewSink.h"
#include "ops/StatusPanel.h"

namespace vellum {

namespace {

// Characters DOS keeps out of a volume label, besides those outside printable ASCII.
constexpr std::string_view kNotInLabel = "\\/:*?\"<>|.+,;=[]";

constexpr const char* kRedoQuestion =
    "Image Label was not updated because no label options were selected.\n\n"
    "Do you want to redo label operation?";

// The 11 name bytes, blank-filled with the text over their start.
void putBlankPadded(std::span<std::uint8_t> field, std::string_view text)
{
    std::fill(field.begin(), field.end(), ' ');
    std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

} // namespace

std::string VolumeLabel::refusal(std::string_view text)
{
    const bool legal = std::none_of(text.begin(), text.end(), [](unsigned char c) {
        return c < 0x20 || c >= 0x7F || kNotInLabel.find(static_cast<char>(c)) != std::string_view::npos;
    });
    if (legal && text.size() <= kVolumeLabelLength && !text.starts_with(' '))
        return {};
    return "\"" + std::string(text) + "\" cannot be a volume label: it takes at most " +
           std::to_string(kVolumeLabelLength) + " printable ASCII characters, not beginning with a blank, and none of " +
           std::string(kNotInLabel) + ".";
}

bool VolumeLabel::acceptable(std::string_view text, Prompter& prompter)
{
    const std::string why = refusal(text);
    if (!why.empty())
        prompter.tell(why, Icon::Exclamation);
    return why.empty();
}

bool VolumeLabel::askRedo()
{
    return prompter_.ask(kRedoQuestion, Buttons::YesNo, Icon::None) == Answer::Yes;
}

std::string VolumeLabel::upperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x80)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool VolumeLabel::apply(std::string_view text, bool deleteRequested, bool modifyDiskette, std::time_t now)
{
    if (!deleteRequested && !acceptable(text, prompter_))
        return false;
    if (doc_.areas.dataArea > doc_.loadedBytes()) {
        prompter_.tell("The image holds only " + std::to_string(doc_.TracksLoaded) +
                           " tracks, fewer than its root directory spans, so a label would be lost.",
                       Icon::Exclamation);
        return false;
    }
    if (deleteRequested || text.empty())
        deleteLabel();
    else if (!writeLabel(upperCase(text), now))
        return false;
    doc_.imageChanged = true;
    finish(modifyDiskette);
    return true;
}

void VolumeLabel::deleteLabel()
{
    doc_.setVolumeLabel(kNoLabel);
    writeBootField(kBootNoName);
    // The flag and the address stay, so a later label goes into this entry again.
    if (doc_.directory.volumeLabelFound)
        doc_.image()[doc_.directory.volumeLabelEntry] = dirent::kDeleted;
}

bool VolumeLabel::writeLabel(const std::string& text, std::time_t now)
{
    DirectoryArea& dir = doc_.directory;
    if (!dir.volumeLabelFound) {
        const auto slot = freeRootEntry();
        if (!slot) {
            prompter_.tell("The root directory has no free entry for the volume label: all " +
                               std::to_string(doc_.geometry.rootEntries) +
                               " entries are in use.\n\nDelete a file from the root directory, then try again.",
                           Icon::Exclamation);
            return false;
        }
        const auto entry = doc_.image().subspan(*slot, kDirEntrySize);
        std::fill(entry.begin(), entry.end(), std::uint8_t{0}); // a deleted file's cluster and size go
        std::tm utc{};
        gmtime_r(&now, &utc);
        entry[dirent::kAttributeOffset] = kLabelAttributes;
        entry[dirent::kAttributeOffset + 1] = 0;
        const DosStamp stamp = DosTime::fromTm(utc);
        putLe16(entry, dirent::kTimeOffset, stamp.time);
        putLe16(entry, dirent::kDateOffset, stamp.date);
        // From now on this is the label entry, so a second change does not add another.
        dir.volumeLabelFound = true;
        dir.volumeLabelEntry = *slot;
    }
    putBlankPadded(doc_.image().subspan(dir.volumeLabelEntry, dirent::kShortNameBytes), text);
    doc_.setVolumeLabel(text);
    writeBootField(text);
    return true;
}

// The image offset of the root's first entry whose first byte is 0x00, or
// else of its first deleted entry. The root is scanned itself: the directory
// read last may be a subdirectory, whose end offset says nothing about the root.
std::optional<std::size_t> VolumeLabel::freeRootEntry() const
{
    const std::size_t start = doc_.areas.rootDirectory;
    const std::size_t end = std::min(start + std::size_t{doc_.geometry.rootEntries} * kDirEntrySize,
                                     doc_.image().size());
    std::optional<std::size_t> deleted;
    for (std::size_t at = start; at + kDirEntrySize <= end; at += kDirEntrySize) {
        if (doc_.image()[at] == dirent::kEndOfDirectory)
            return at;
        if (doc_.image()[at] == dirent::kDeleted && !deleted)
            deleted = at;
    }
    return deleted;
}

void VolumeLabel::writeBootField(std::string_view text)
{
    putBlankPadded(doc_.image().subspan(doc_.areas.bootSector + kBootLabelOffset, dirent::kShortNameBytes), text);
}

void VolumeLabel::finish(bool modifyDiskette)
{
    panel_.ShowVolumeAndMemoryStatus(doc_);
    if (modifyDiskette)
        view_.post(ViewMessage::DisketteLabel);
}

} // namespace vellum
