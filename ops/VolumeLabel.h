#pragma once
// Changes the volume label of the image in memory: the 11-byte field of the
// boot sector, the label entry of the root directory and the document's own
// copy. Nothing is written to a diskette here.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Prompter;
class StatusPanel;
class ViewSink;

class VolumeLabel {
public:
    static constexpr std::string_view kNoLabel = "None";
    static constexpr std::string_view kBootNoName = "NO NAME    ";
    static constexpr std::size_t kBootLabelOffset = 43;
    static constexpr std::uint8_t kLabelAttributes = 0x28; // volume label and archive

    VolumeLabel(CVLMDoc& doc, Prompter& prompter, StatusPanel& panel, ViewSink& view)
        : doc_(doc), prompter_(prompter), panel_(panel), view_(view)
    {
    }

    // The one rule for a label typed anywhere: at most 11 characters of
    // printable ASCII (a label is stored byte for byte), not beginning with a
    // blank, and none of those DOS keeps out of labels. Empty when `text` may
    // be a label (an empty text means no label), else why not.
    static std::string refusal(std::string_view text);
    // Tells the refusal, if any; true when `text` may be a label.
    static bool acceptable(std::string_view text, Prompter& prompter);

    // Asked when OK is pressed with nothing changed: true when the user wants
    // to go back to the dialog.
    bool askRedo();

    // Deletes the label when deleteLabel is set or text is empty, else writes
    // text in upper case. With modifyDiskette the view is asked to open the
    // shell's label command. False after the user was told that the text
    // cannot be a label, or that the root directory has no room for a label
    // entry or lies beyond the tracks in memory; nothing changed then.
    bool apply(std::string_view text, bool deleteLabel, bool modifyDiskette,
               std::time_t now = std::time(nullptr));

    // Upper case by the C locale; bytes from 0x80 on are kept as they are.
    static std::string upperCase(std::string_view text);

private:
    void deleteLabel();
    bool writeLabel(const std::string& text, std::time_t now);
    std::optional<std::size_t> freeRootEntry() const;
    void writeBootField(std::string_view text);
    void finish(bool modifyDiskette);

    CVLMDoc& doc_;
    Prompter& prompter_;
    StatusPanel& panel_;
    ViewSink& view_;
};

} // namespace vellum
