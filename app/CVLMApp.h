#pragma once
// The application object: start-up in its order (the copy already running,
// the settings, the drives and their checks, the document with its window,
// the tip of the day) and everything that lives as long as the program.
#include <QStringList>
#include <memory>

#include "app/MessageBoxPrompter.h"
#include "app/ProcessShell.h"

namespace vellum {

class CMainFrame;
class CVLMDoc;
class DriveBay;
class Profile;
class SingleInstance;

class CVLMApp {
public:
    explicit CVLMApp(QStringList arguments);
    ~CVLMApp();

    // False when the program is to end at once.
    bool InitInstance();

    CMainFrame* frame() const { return frame_.get(); }

    // The image file named on the command line, if any.
    static QString pathArgument(const QStringList& arguments);
    // Whether the command line asks to start without the tip of the day.
    static bool suppressesBanner(const QStringList& arguments);

private:
    bool offerRunningCopy();
    // The settings file, or settings in memory when it is unusable.
    std::unique_ptr<Profile> openSettings();
    bool openDrives();
    void insertSampleOnFirstRun();

    QStringList arguments_;
    MessageBoxPrompter prompter_;
    ProcessShell shell_;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<DriveBay> drives_;
    std::unique_ptr<CVLMDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<SingleInstance> instance_;
};

} // namespace vellum
