#pragma once
// The progress of a split or join on its page: the engine reports from its
// worker thread, the bar and the list follow on the GUI thread, and the
// page's Cancel is seen by the engine at its next block.
#include <QString>
#include <atomic>
#include <functional>

#include "splitjoin/CopyProgress.h"

class QProgressBar;

namespace vellum {

class PageProgress : public CopyProgress {
public:
    explicit PageProgress(QProgressBar& bar) : bar_(bar) {}

    // A new run: no cancel requested yet.
    void begin() { cancelled_ = false; }
    void requestCancel() { cancelled_ = true; }

    void started(const std::string& piece) override;
    void advanced(int percent) override;
    void created(const std::string& piece) override;
    void ended() override;
    bool cancelRequested() override { return cancelled_; }

    // Called on the GUI thread.
    std::function<void(const QString&)> onStarted;
    std::function<void(const QString&)> onCreated;

private:
    QProgressBar& bar_;
    std::atomic<bool> cancelled_ = false;
};

} // namespace vellum
