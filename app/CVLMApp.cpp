#include "app/CVLMApp.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/CMainFrame.h"
#include "app/CTipOfTheDay.h"
#include "app/CVLMView.h"
#include "app/DataFile.h"
#include "app/SingleInstance.h"
#include "appmodel/StartupChecks.h"
#include "appmodel/TipFile.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "core/ImageFile.h"
#include "drive/DriveBay.h"
#include "drive/SectorDriver.h"
#include "settings/MemoryProfile.h"
#include "settings/SettingsProfile.h"

namespace vellum {

namespace {

const std::string kAlreadyRunning = "Vellum is already running.  \nDo you want to run a second copy of VLM?";
const QStringList kNoBannerFlags = {QStringLiteral("-nologo"), QStringLiteral("--nologo"), QStringLiteral("/nologo")};
const QString kSampleName = QStringLiteral("sample.vlm");
const QString kSampleImage = QStringLiteral("sample.img");

// Start-up's view of this machine: Linux, with the drives of the settings file.
class LinuxHost : public StartupChecks::Host {
public:
    LinuxHost(Profile& profile, std::unique_ptr<DriveBay>& drives) : profile_(profile), drives_(drives) {}

    bool openDrives(std::string& reason) override
    {
        try {
            drives_ = std::make_unique<DriveBay>(profile_);
            return true;
        } catch (const std::exception& e) {
            reason = e.what();
            return false;
        }
    }
    bool isWindowsNt() const override { return false; }
    std::uint32_t driverVersion() override
    {
        return SectorDriver(drives_->drives()).version();
    }
    std::string settingsPath() const override { return SettingsProfile::defaultPath().string(); }

private:
    Profile& profile_;
    std::unique_ptr<DriveBay>& drives_;
};

} // namespace

CVLMApp::CVLMApp(QStringList arguments) : arguments_(std::move(arguments)) {}

CVLMApp::~CVLMApp() = default;

QString CVLMApp::pathArgument(const QStringList& arguments)
{
    for (const QString& a : arguments.mid(1))
        if (!kNoBannerFlags.contains(a, Qt::CaseInsensitive))
            return a;
    return {};
}

bool CVLMApp::suppressesBanner(const QStringList& arguments)
{
    for (const QString& flag : kNoBannerFlags)
        if (arguments.contains(flag, Qt::CaseInsensitive))
            return true;
    return false;
}

bool CVLMApp::offerRunningCopy()
{
    if (!SingleInstance::isRunning())
        return true;
    const Answer answer = prompter_.ask(kAlreadyRunning, Buttons::YesNoCancel, Icon::None);
    if (answer == Answer::Yes)
        return true;
    const QString path = answer == Answer::No ? pathArgument(arguments_) : QString();
    SingleInstance::handOver(path.isEmpty() ? path : QFileInfo(path).absoluteFilePath());
    return false;
}

std::unique_ptr<Profile> CVLMApp::openSettings()
{
    try {
        return std::make_unique<SettingsProfile>(SettingsProfile::defaultPath());
    } catch (const Error& e) {
        // The program still runs; the file stays as it is for the user to mend.
        prompter_.tell(StartupChecks::badSettingsText(e.what()), Icon::Exclamation);
        return std::make_unique<MemoryProfile>();
    }
}

bool CVLMApp::openDrives()
{
    LinuxHost host(*profile_, drives_);
    return StartupChecks::run(host, prompter_);
}

void CVLMApp::insertSampleOnFirstRun()
{
    const QString sample = locateDataFile(kSampleName);
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString image = QDir(dataDir).filePath(kSampleImage);
    if (QFileInfo::exists(image) || sample.isEmpty() || drives_->virtualDrives().medium(0))
        return;
    QDir().mkpath(dataDir);
    CVLMDoc scratch(*profile_, prompter_);
    ImageFile file(scratch, prompter_);
    if (!file.open(sample.toStdString()) || !file.save(image.toStdString(), {}))
        return;
    try {
        drives_->virtualDrives().insert(0, image.toStdString());
    } catch (const Error& e) {
        prompter_.tell(e.what(), Icon::Exclamation);
    }
}

bool CVLMApp::InitInstance()
{
    if (!offerRunningCopy())
        return false;
    profile_ = openSettings();
    if (!openDrives())
        return false;
    insertSampleOnFirstRun();
    doc_ = std::make_unique<CVLMDoc>(*profile_, prompter_);
    frame_ = std::make_unique<CMainFrame>(*doc_, *profile_, prompter_, *drives_, shell_);
    frame_->show();

    instance_ = std::make_unique<SingleInstance>();
    instance_->listen();
    QObject::connect(instance_.get(), &SingleInstance::activationRequested, frame_.get(), &CMainFrame::bringToFront);
    QObject::connect(instance_.get(), &SingleInstance::openRequested, frame_.get(),
                     [this](const QString& path) { frame_->view().openImageFile(path); });

    if (const QString path = pathArgument(arguments_); !path.isEmpty())
        frame_->view().setPendingPath(path);
    frame_->view().OnInitialUpdate();
    if (!suppressesBanner(arguments_) && TipFile::showAtStartUp(*profile_))
        frame_->OnTipOfTheDay();
    return true;
}

} // namespace vellum
