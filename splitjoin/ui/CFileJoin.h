#pragma once
// The "Join" page: split pieces gathered into a file list, moved to the
// "Files to Join:" list, and joined into the target folder after the set is
// checked. The target folder lives as long as the page; the lists only while
// the sheet is open.
#include <QStringList>

#include "splitjoin/ui/WorkPage.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace vellum {

class OperationRunner;
class Prompter;

class CFileJoin : public WorkPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 109;
    static constexpr int kHelpTopic = 0x20000 + kTemplate;

    explicit CFileJoin(OperationRunner& runner, QWidget* parent = nullptr);

    // Every time the sheet opens.
    void start();
    // Adds piece files (full paths) to the file list, shown by name.
    void addFiles(const QStringList& paths);

public slots:
    void OnJoin();
    void OnAddToJoinList();
    void OnAddAllToJoinList();
    void OnRemoveFromFileList();
    void OnRemoveFromJoinList();

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
    bool canAct() const override;

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
};

} // namespace vellum
