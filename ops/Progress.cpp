#include "ops/Progress.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/CVLMDoc.h"
#include "core/Prompter.h"

namespace vellum {

namespace {

constexpr std::string_view kInitialStatus = "Initializing...   Please Wait...";

constexpr std::array<std::pair<int, std::string_view>, 9> kKinds = {{
    {kProgressLoading, "Loading Diskette Image"},
    {kProgressCopying, "Copying Diskette"},
    {kProgressComparing, "Comparing Diskette"},
    {kProgressFormatting, "Formatting Diskette"},
    {kProgressFormattingDmf, "Formatting DMF Diskette"},
    {kProgressCopyingVerifying, "Copying and Verifying Diskette"},
    {kProgressWritingSystemArea, "Writing System Area..."},
    {kProgressSavingFiles, "Saving Files"},
    {kProgressRescuing, "Rescuing Diskette"},
}};

} // namespace

std::optional<std::string_view> Progress::captionText(int kind)
{
    for (const auto& [k, text] : kKinds)
        if (k == kind)
            return text;
    return std::nullopt;
}

std::string Progress::cylinderText(int current, int total)
{
    // A total below one would divide by zero; such a run shows 0 %.
    const long long percent = total > 0 ? static_cast<long long>(current) * 100 / total : 0;
    return "On Data Cylinder:  " + std::to_string(current) + " of " + std::to_string(total) + " ( " +
           std::to_string(percent) + "% )";
}

bool Progress::showsVerifyBar(const CVLMDoc& doc)
{
    return doc.options.VerifyCopy && doc.CurrentOperation == kOpCopyDiskette;
}

bool Progress::Create(const CVLMDoc& doc)
{
    cancelRequested_ = false;
    cancelConfirmed_ = false;
    caption_ = kPlaceholderCaption;
    statusLine_ = kInitialStatus;
    low_ = kDefaultLow;
    high_ = kDefaultHigh;
    step_ = kDefaultStep;
    mainPosition_ = low_;
    verifyPosition_ = low_;
    verifyShown_ = showsVerifyBar(doc);
    open_ = openWindow();
    redraw();
    return open_;
}

void Progress::SetOperationCaption(int kind)
{
    const auto text = captionText(kind);
    if (!text)
        return;
    (kind == kProgressWritingSystemArea ? statusLine_ : caption_) = *text;
    redraw();
}

void Progress::SetBarRange(int low, int high)
{
    low_ = low;
    high_ = high;
    redraw();
}

void Progress::ShowCylinder(int current, int total)
{
    statusLine_ = cylinderText(current, total);
    redraw();
    if (open_)
        PumpMessages();
    mainPosition_ = clamp(current);
    redraw();
}

void Progress::ShowStatus(std::string text)
{
    statusLine_ = std::move(text);
    redraw();
    if (open_)
        PumpMessages();
}

void Progress::ShowStatus(std::string text, int position)
{
    mainPosition_ = clamp(position);
    ShowStatus(std::move(text));
}

void Progress::StepMain()
{
    if (open_)
        PumpMessages();
    mainPosition_ = clamp(mainPosition_ + step_);
    redraw();
}

void Progress::StepVerify(int position)
{
    verifyPosition_ = clamp(clamp(position) + step_);
    redraw();
}

bool Progress::CheckCancel()
{
    if (!open_)
        return false;
    PumpMessages();
    if (cancelConfirmed_.exchange(false))
        return true;
    const bool requested = cancelRequested_.exchange(false);
    return requested && prompter_.ask(std::string(kAreYouSure), Buttons::YesNo, Icon::Question) == Answer::Yes;
}

void Progress::Destroy()
{
    verifyShown_ = false;
    if (std::exchange(open_, false))
        closeWindow();
}

int Progress::clamp(int position) const
{
    return std::clamp(position, std::min(low_, high_), std::max(low_, high_));
}

void Progress::redraw()
{
    if (open_)
        draw();
}

} // namespace vellum
