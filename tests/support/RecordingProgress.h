#pragma once
// A progress window that only remembers: every status line it was asked to
// show, how often it pumped, and whether it is open. A test may press Cancel
// at a chosen pump, as a user would while the operation runs.
#include <string>
#include <vector>

#include "ops/Progress.h"

namespace vellum::test {

class RecordingProgress : public Progress {
public:
    using Progress::Progress;

    // Cancel is pressed during the given pump (1 = the first).
    void pressCancelAtPump(int pump) { cancelAtPump_.push_back(pump); }
    void failToOpen() { opens_ = false; }

    int pumps() const { return pumps_; }
    bool windowShown() const { return shown_; }
    const std::vector<std::string>& statusLines() const { return statusLines_; }

protected:
    bool openWindow() override
    {
        shown_ = opens_;
        return opens_;
    }
    void closeWindow() override { shown_ = false; }
    void draw() override
    {
        if (statusLines_.empty() || statusLines_.back() != statusLine())
            statusLines_.push_back(statusLine());
    }
    void PumpMessages() override
    {
        ++pumps_;
        for (int at : cancelAtPump_)
            if (at == pumps_)
                requestCancel();
    }

private:
    bool opens_ = true;
    bool shown_ = false;
    int pumps_ = 0;
    std::vector<int> cancelAtPump_;
    std::vector<std::string> statusLines_;
};

} // namespace vellum::test
