#pragma once
// Runs the program's operations, one at a time, on a worker thread, as KDE
// Partition Manager runs its operations: the engine works there while the
// window repaints and answers Cancel. What an engine shows on the way goes
// to the GUI thread (GuiThread); its questions go through prompter(), which
// holds the worker until they are answered. Whatever else wants to start
// meanwhile waits in whenIdle; busyChanged lets the window refuse the rest.
#include <QObject>
#include <deque>
#include <functional>

#include "core/ui/GuiThreadPrompter.h"

class QThread;

namespace vellum {

class OperationRunner : public QObject {
    Q_OBJECT
public:
    explicit OperationRunner(Prompter& shown, QObject* parent = nullptr);
    // Waits for an operation still running.
    ~OperationRunner() override;

    // Asks on the GUI thread from whichever thread the question comes.
    Prompter& prompter() { return prompter_; }
    bool busy() const { return thread_ != nullptr; }

    // Runs `work` on the worker, then `done` here. `cancel` stops the work
    // at its next block, the user having confirmed already. False, and
    // nothing runs, while another operation runs.
    bool start(std::function<void()> work, std::function<void()> done = {}, std::function<void()> cancel = {});
    // Cancels the operation under way; one that cannot be cancelled runs on.
    void cancel();
    // Runs `call` now when idle, else once the operations under way have ended.
    void whenIdle(std::function<void()> call);

signals:
    void busyChanged(bool busy);

private:
    void finish();

    GuiThreadPrompter prompter_;
    QThread* thread_ = nullptr;
    // Kept here, so what they hold is let go on this thread.
    std::function<void()> work_;
    std::function<void()> done_;
    std::function<void()> cancel_;
    std::deque<std::function<void()>> waiting_;
};

} // namespace vellum
