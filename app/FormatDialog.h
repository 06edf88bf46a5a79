#pragma once
// The standard format of a diskette: the capacity among those the drive
// takes, a quick or a full format, and an optional volume label.
#include <QDialog>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vellum {

class Prompter;
struct StandardFormat;

class FormatDialog : public QDialog {
    Q_OBJECT
public:
    // `quickAllowed` is false for a diskette that was never formatted. A
    // label that cannot be one is told through `prompter`, and the dialog stays.
    FormatDialog(const QString& driveName, const std::vector<const StandardFormat*>& capacities,
                 const StandardFormat* current, bool quickAllowed, Prompter& prompter, QWidget* parent = nullptr);

    const StandardFormat* capacity() const;
    bool quick() const;
    // Upper case, at most 11 characters; empty for no label.
    QString label() const;

    void accept() override;

private:
    Prompter& prompter_;
    std::vector<const StandardFormat*> capacities_;
    QComboBox* capacity_;
    QRadioButton* quick_;
    QRadioButton* full_;
    QLineEdit* label_;
};

} // namespace vellum
