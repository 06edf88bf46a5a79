#pragma once
// The progress of a split or join on its page: the bar follows the engine's
// blocks, and between blocks the window repaints and takes the Cancel click,
// so a file of hundreds of megabytes never freezes it.
#include <QString>
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

    std::function<void(const QString&)> onStarted;
    std::function<void(const QString&)> onCreated;

private:
    QProgressBar& bar_;
    bool cancelled_ = false;
};

} // namespace vellum
