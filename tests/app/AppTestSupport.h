#pragma once
// Shared pieces of the Qt suites: a prompter that expects an exact list of
// questions, a shell that records command lines, and a fresh world of
// settings, drives and document in a temporary folder.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>

#include "tests/support/RecordingShell.h"
#include "core/CVLMDoc.h"
#include "settings/SettingsProfile.h"
#include "core/Prompter.h"
#include "drive/DriveBay.h"

namespace vellum::test {

class ExpectingPrompter : public Prompter {
public:
    ExpectingPrompter& expect(std::string text, Buttons buttons, Icon icon, Answer answer);
    // Any question whose text starts so is answered, whatever else it says.
    ExpectingPrompter& expectStart(std::string start, Icon icon, Answer answer);
    Answer ask(const std::string& text, Buttons buttons, Icon icon) override;

    // Mismatches and questions never asked; empty when all went as expected.
    QStringList problems() const;
    std::vector<std::string> asked;

private:
    struct Step {
        std::string text;
        bool prefix;
        Buttons buttons;
        Icon icon;
        Answer answer;
    };
    std::deque<Step> script_;
    QStringList problems_;
};

// Settings, drives and a document of their own for one test.
class World {
public:
    World();
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    ExpectingPrompter prompter;
    SettingsProfile profile;
    std::unique_ptr<DriveBay> drives;
    std::unique_ptr<CVLMDoc> doc;
};

// Lets queued messages run.
void drainEvents();

} // namespace vellum::test

#define VERIFY_NO_PROBLEMS(prompter) QVERIFY2((prompter).problems().isEmpty(), qPrintable((prompter).problems().join(u'\n')))
