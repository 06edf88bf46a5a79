#pragma once
// The "Join" page: split pieces gathered into a file list, moved to the
// "Files to Join:" list, and joined into the target folder after the set is
// checked. The target folder lives as long as the page; the lists only while
// the sheet is open.
#include <QStringList>
#include <QWidget>

#include "splitjoin/ui/PageProgress.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;

namespace vellum {

class Prompter;

class CFileJoin : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplate = 109;
    static constexpr int kHelpTopic = 0x20000 + kTemplate;

    explicit CFileJoin(Prompter& prompter, QWidget* parent = nullptr);

    // Every time the sheet opens.
    void start();
    // Adds piece files (full paths) to the file list, shown by name.
    void addFiles(const QStringList& paths);
    bool busy() const { return busy_; }
    void cancel() { progress_.requestCancel(); }

public slots:
    void OnJoin();
    void OnAddToJoinList();
    void OnAddAllToJoinList();
    void OnRemoveFromFileList();
    void OnRemoveFromJoinList();

signals:
    void helpRequested(int topic);
    void busyChanged(bool busy);

private:
    QWidget* makeTargetRows();
    QWidget* makeLists();
    QMenu* makeFileListMenu();
    QMenu* makeJoinListMenu();
    void OnBrowseFiles();
    void OnBrowseTarget();
    void copyItems(bool selectedOnly);
    void removeSelected(QListWidget* list);
    void updateButtons();
    void setBusy(bool busy);

    Prompter& prompter_;
    QString targetDir_;
    QLineEdit* target_;
    QPushButton* browseTarget_;
    QPushButton* addFiles_;
    QLabel* originalPath_;
    QLabel* targetName_;
    QListWidget* files_;
    QListWidget* joinList_;
    QPushButton* arrow_;
    QLabel* processing_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QPushButton* join_;
    QWidget* form_;
    PageProgress progress_;
    bool busy_ = false;
};

} // namespace vellum
