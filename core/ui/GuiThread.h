#pragma once
// Work handed from an operation's worker thread to the GUI thread, which
// owns every widget. Called on the GUI thread itself, both run the work at once.
#include <functional>

class QObject;

namespace vellum {

class GuiThread {
public:
    // Runs `work` there and returns once it has: for questions and dialogs
    // the worker waits for.
    static void call(const std::function<void()>& work);
    // Queues `work` there, dropped should `context` be gone by then: for
    // drawing the worker does not wait for.
    static void post(QObject* context, std::function<void()> work);
};

} // namespace vellum
