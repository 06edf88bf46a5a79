#pragma once
// The "Copy Diskette" dialog: the target drive, the number of copies and
// the "Force Format" and "Copy with Verify" boxes. OK refuses a number of
// copies that is not a whole number from 1 to 99 and keeps the dialog open;
// otherwise it keeps both boxes as the options and closes with the target
// as the document's SelectedDrive. The caller formats and copies.
#include <QDialog>
#include <string>
#include <variant>

class QCheckBox;
class QLineEdit;

namespace vellum {

class CVLMDoc;
class DriveBackend;
class DriveListBox;
class Prompter;

class CCopyDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinCopies = 1;
    static constexpr int kMaxCopies = 99;

    CCopyDlg(CVLMDoc& doc, DriveBackend& drives, Prompter& prompter, int floppyCount, int copies,
             QWidget* parent = nullptr);

    int copies() const { return copies_; }
    bool forceFormat() const;

    // The number as typed, or the framework's message for it when it is no
    // whole number from kMinCopies to kMaxCopies.
    static std::variant<int, std::string> parseCopies(const QString& text);

signals:
    void helpRequested(int topic);

public slots:
    void accept() override;

private:
    CVLMDoc& doc_;
    Prompter& prompter_;
    DriveListBox* target_;
    QLineEdit* number_;
    QCheckBox* force_;
    QCheckBox* verify_;
    int copies_;
};

} // namespace vellum
