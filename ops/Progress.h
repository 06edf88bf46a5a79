#pragma once
// The progress window of a long diskette operation (load, copy, compare, DMF
// format, rescue). Everything it shows and every cancel rule lives here; a front end
// derives from Progress and only draws: the Qt dialog, a terminal bar in vlm,
// a recorder in tests.
//
// An engine takes a Progress& and, per diskette:
//   progress.Create(doc);
//   progress.SetOperationCaption(kProgressLoading);
//   progress.SetBarRange(0, cylinders + 1);
//   for each track t:
//       if t is even: progress.ShowCylinder(t / 2 + 1, cylinders); progress.StepMain();
//       if (progress.CheckCancel()) { doc.OperationState = kCancelled; break; }
//   progress.Destroy();
//
// A front end implements openWindow, closeWindow and draw (which reads the
// state through the getters), may override PumpMessages, and calls
// requestCancel from its Cancel button, Enter, Esc and close box: those only
// raise the request, which CheckCancel takes and confirms with the user. A
// front end whose engine runs on another thread asks at once instead, and
// calls cancelConfirmed; the engine stops at its next CheckCancel.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

class CVLMDoc;
class Prompter;

// SetOperationCaption kinds; any other value changes nothing.
enum ProgressKind : int {
    kProgressLoading = 1,
    kProgressCopying = 2,
    kProgressComparing = 3,
    kProgressFormatting = 4,
    kProgressFormattingDmf = 5,
    kProgressCopyingVerifying = 6,
    kProgressWritingSystemArea = 7, // goes to the status line, not the caption
    kProgressSavingFiles = 8,
    kProgressRescuing = 9,
};

class Progress {
public:
    static constexpr int kDefaultLow = 0;
    static constexpr int kDefaultHigh = 100;
    static constexpr int kDefaultStep = 1;
    // The caption between Create and SetOperationCaption; never meant to be seen.
    static constexpr std::string_view kPlaceholderCaption = "Duh";
    // The question that confirms a cancel.
    static constexpr std::string_view kAreYouSure = "Are you sure?";

    explicit Progress(Prompter& prompter) : prompter_(prompter) {}
    virtual ~Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Opens the window with fresh state; the verify bar shows only for a copy
    // with verify. False when the window could not be opened: the operation
    // then runs on unseen and is never cancelled.
    bool Create(const CVLMDoc& doc);
    void SetOperationCaption(int kind);
    // Both bars; positions and step stay as they are.
    void SetBarRange(int low, int high);
    void ShowCylinder(int current, int total);
    // Any other status line, for work not counted in cylinders; pumps.
    void ShowStatus(std::string text);
    // The same, with the main bar moved to `position`.
    void ShowStatus(std::string text, int position);
    void StepMain();
    // Sets the verify bar, then steps it once; does not pump.
    void StepVerify(int position);
    // True when the user asked to cancel and confirmed it.
    bool CheckCancel();
    void Destroy();

    // Raised by the window's Cancel, Enter, Esc and close box.
    void requestCancel() { cancelRequested_ = true; }
    // A cancel the user has confirmed already; from any thread.
    void cancelConfirmed() { cancelConfirmed_ = true; }

    bool isOpen() const { return open_; }
    bool cancelRequested() const { return cancelRequested_; }
    const std::string& caption() const { return caption_; }
    const std::string& statusLine() const { return statusLine_; }
    int low() const { return low_; }
    int high() const { return high_; }
    int mainPosition() const { return mainPosition_; }
    int verifyPosition() const { return verifyPosition_; }
    bool verifyShown() const { return verifyShown_; }

    static std::optional<std::string_view> captionText(int kind);
    static std::string cylinderText(int current, int total);
    static bool showsVerifyBar(const CVLMDoc& doc);

protected:
    virtual bool openWindow() = 0;
    virtual void closeWindow() = 0;
    virtual void draw() = 0;
    // Lets the rest of the program repaint; nothing to do without an event loop.
    virtual void PumpMessages() {}

private:
    int clamp(int position) const;
    void redraw();

    Prompter& prompter_;
    bool open_ = false;
    std::atomic<bool> cancelRequested_ = false;
    std::atomic<bool> cancelConfirmed_ = false;
    std::string caption_;
    std::string statusLine_;
    int low_ = kDefaultLow;
    int high_ = kDefaultHigh;
    int step_ = kDefaultStep;
    int mainPosition_ = kDefaultLow;
    int verifyPosition_ = kDefaultLow;
    bool verifyShown_ = false;
};

} // namespace vellum
