#pragma once
// The Join/Split property sheet: the "Join" page, then the "Split" page, and
// a "Done" button. The main window keeps one sheet for its whole life, so
// the pages' settings survive closing and opening it again. While a page
// works, closing the sheet cancels that work instead.
#include <QDialog>

#include "splitjoin/HostVolumeProbe.h"

class QPushButton;
class QTabWidget;

namespace vellum {

class CFileJoin;
class CFileSplit;
class OperationRunner;

class JoinSplitSheet : public QDialog {
    Q_OBJECT
public:
    explicit JoinSplitSheet(OperationRunner& runner, QWidget* parent = nullptr);

    CFileJoin& joinPage() { return *join_; }
    CFileSplit& splitPage() { return *split_; }
    QTabWidget& tabs() { return *tabs_; }

    // Starts both pages and opens the sheet modally.
    int exec() override;

public slots:
    void reject() override;

signals:
    void helpRequested(int topic);

private:
    void setBusy(bool busy);

    HostVolumeProbe volume_;
    QTabWidget* tabs_;
    CFileJoin* join_;
    CFileSplit* split_;
    QPushButton* done_;
};

} // namespace vellum
