#pragma once
// Shared pieces of the Qt suites: a fresh world of settings, drives and
// document in a temporary folder, with a prompt script for its questions.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/CVLMDoc.h"
#include "settings/SettingsProfile.h"
#include "core/Prompter.h"
#include "drive/DriveBay.h"
#include "tests/support/PromptScript.h"
#include "tests/support/RecordingShell.h"

namespace vellum {
class OperationRunner;
}

namespace vellum::test {

// Settings, drives and a document of their own for one test.
class World {
public:
    World();
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    PromptScript prompter;
    SettingsProfile profile;
    std::unique_ptr<DriveBay> drives;
    std::unique_ptr<CVLMDoc> doc;
};

// Answers from the script, doing `then` first: an operation waits for the
// answer, so `then` happens while it runs.
class DuringQuestion : public Prompter {
public:
    DuringQuestion(Prompter& script, std::function<void()> then) : script_(script), then_(std::move(then)) {}
    Answer ask(const std::string& text, Buttons buttons, Icon icon) override
    {
        then_();
        return script_.ask(text, buttons, icon);
    }

private:
    Prompter& script_;
    std::function<void()> then_;
};

// Lets queued messages run, and waits for the operations of every window to end.
void drainEvents();
// Lets queued messages run once.
void settle();
// Waits for the runner's operation to end, then lets what it posted run.
void waitIdle(OperationRunner& runner);

// The prompt script's problems, one a line.
QString problemText(const PromptScript& prompter);

} // namespace vellum::test

#define VERIFY_NO_PROBLEMS(prompter) QVERIFY2((prompter).problems().empty(), qPrintable(vellum::test::problemText(prompter)))
