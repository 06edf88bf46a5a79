#pragma once
// The main window: placed at 70 % of the screen, with the menus, the status
// bar that shows menu prompts beside the date and the time, the options the
// menus toggle, and the question about unsaved options on the way out.
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <vector>

#include "appmodel/OptionCommands.h"
#include "app/SystemTools.h"

class QLabel;
class QMenu;

namespace vellum {

class CVLMDoc;
class CVLMView;
class DriveBay;
class HelpWindow;
class JoinSplitSheet;
class Profile;
class Prompter;
class Shell;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 626;

    CMainFrame(CVLMDoc& doc, Profile& profile, Prompter& prompter, DriveBay& drives, Shell& shell);
    ~CMainFrame() override;

    CVLMView& view() { return *view_; }
    OptionCommands& optionCommands() { return options_; }
    QAction* command(int id) const;
    QMenu* systemToolsMenu() const { return systemTools_; }

    // The window's place on a screen of that size.
    static QRect placement(const QRect& screen);
    static QString dateText(const QDateTime& now);
    static QString timeText(const QDateTime& now);

    // Where the system tools are looked for; the desktop's folders unless set.
    void setToolFolders(const QStringList& folders) { toolFolders_ = folders; }

public slots:
    // E&xit VLM: asks about a changed image and changed options, and keeps the
    // number of copies; while an operation runs, asks to cancel it first.
    void OnExit();
    void OnTipOfTheDay();
    void OnAbout();
    // Opens the Join/Split sheet, made once and kept with its pages' settings.
    void OnJoinSplit();
    void showHelp(int topic);
    // Another start of the program asks this one to come forward.
    void bringToFront();
    void updateClock();
    void rebuildSystemTools();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The window's close button leaves as Exit does, with the same questions;
    // while an operation runs it asks to cancel it, and closes once it has stopped.
    void closeEvent(QCloseEvent* event) override;
    // An image file dropped onto the window is opened as File > Open would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Asks about changed options; the window may close then.
    void leave();
    // Asks whether to cancel the operation under way; once it has stopped, leaves as Exit does.
    void cancelThenClose();
    QAction* makeCommand(int id, const QString& text, const QString& tip);
    void createMenus();
    void createFileMenu();
    void createDisketteMenu();
    void createOptionsMenu();
    void createToolsMenu();
    void createHelpMenu();
    void createStatusBar();
    void addOption(int id, OptionCommands::Option option, const QString& text, const QString& tip);
    void updateOptionMarks();
    void optionsCommand(int id);

    CVLMDoc& doc_;
    Profile& profile_;
    Prompter& prompter_;
    DriveBay& drives_;
    OptionCommands options_;
    CVLMView* view_;
    std::map<int, QAction*> commands_;
    std::map<int, OptionCommands::Option> optionIds_;
    QMenu* systemTools_ = nullptr;
    std::vector<SystemTools::Tool> tools_;
    QStringList toolFolders_;
    QLabel* date_ = nullptr;
    QLabel* time_ = nullptr;
    // Owned by the window it was opened for, which may be a dialog gone since.
    QPointer<HelpWindow> help_;
    JoinSplitSheet* joinSplit_ = nullptr;
    // Set once the questions were answered, so closing does not ask again.
    bool leaving_ = false;
    // A close waits for the operation it cancelled.
    bool closing_ = false;
};

} // namespace vellum
