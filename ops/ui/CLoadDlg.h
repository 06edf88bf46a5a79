#pragma once
// The " Load Diskette Image" dialog: the Source list of drives (and an image
// file after them), a look at the selected diskette's root directory and
// the "Load Entire Diskette" box. OK or a double click on a source keeps
// the box's state as the option and closes with the choice; the caller then
// loads the drive or opens an image file.
#include <QDialog>

#include "ops/RootPreview.h"

class QCheckBox;
class QTreeWidget;

namespace vellum {

class CVLMDoc;
class DriveBackend;
class DriveListBox;
class OperationRunner;

class CLoadDlg : public QDialog {
    Q_OBJECT
public:
    enum class Choice { Nothing, Drive, ImageFile };

    CLoadDlg(CVLMDoc& doc, DriveBackend& drives, OperationRunner& runner, int floppyCount, QWidget* parent = nullptr);

    // What OK chose; the drive is the document's SelectedDrive then.
    Choice choice() const { return choice_; }
    // The box's value, which the load follows (the option only seeds it).
    bool loadEntireDiskette() const { return loadEntire_; }

    // Lists the selected diskette's root folder once the drive is free.
    void fillPreview();

signals:
    void helpRequested(int topic);

public slots:
    void accept() override;

private:
    void showPreview(const RootPreview::Result& root);
    void addPreviewItem(const QString& text, const QString& picture);

    CVLMDoc& doc_;
    DriveBackend& drives_;
    OperationRunner& runner_;
    DriveListBox* source_;
    QTreeWidget* files_;
    QCheckBox* entire_;
    bool loadEntire_;
    Choice choice_ = Choice::Nothing;
    int previewsAsked_ = 0;
};

} // namespace vellum
