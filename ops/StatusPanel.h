#pragma once
// The status panel: four lines that tell the user what is in memory and how
// the last diskette operation ended. The upper pair names the volume label
// and the format in memory, the lower pair the last operation and its outcome.
//
// Engines report through the two calls below and never format a panel text
// themselves:
//   panel.ShowLastOperation(kOpLoadDiskette, doc.OperationState);
//   panel.ShowVolumeAndMemoryStatus(doc);
// The Qt status panel derives from StatusPanel and overrides changed() to
// show the texts at once; vlm prints the lines it wants; tests read them.
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
struct DriveGeometry;

class StatusPanel {
public:
    StatusPanel();
    virtual ~StatusPanel() = default;
    StatusPanel(const StatusPanel&) = delete;
    StatusPanel& operator=(const StatusPanel&) = delete;

    // operation is an OperationNames key, status an OperationState; a
    // negative status leaves the status line as it was.
    void ShowLastOperation(int operation, int status);
    // Names the sectors a rescue left unread after the Unsuccessful status.
    void ShowBadSectors(std::size_t count);
    // The volume label and the format of the image in memory.
    void ShowVolumeAndMemoryStatus(const CVLMDoc& doc);
    // The upper lines of an empty memory, as after Initialize.
    void ShowEmpty();

    const std::string& volumeLine() const { return volume_; }
    const std::string& memoryLine() const { return memory_; }
    const std::string& operationLine() const { return operation_; }
    const std::string& statusLine() const { return status_; }

    static std::string operationText(int operation);
    static std::optional<std::string> statusText(int status);
    // The label as the document holds it (11 characters, NUL-padded).
    static std::string volumeText(std::string_view label);
    static std::string memoryText(const DriveGeometry& geometry);

protected:
    // Called after every change; the texts are already updated.
    virtual void changed() {}

private:
    std::string volume_;
    std::string memory_;
    std::string operation_;
    std::string status_;
};

} // namespace vellum
