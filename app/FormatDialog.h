#pragma once
// The standard format of a diskette: the capacity among those the drive
// takes, a quick or a full format, and an optional volume label.
#include <QDialog>
#include <vector>

#include "core/CVLMDoc.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vellum {

struct StandardFormat;

class FormatDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLabelLength = static_cast<int>(kVolumeLabelLength);

    // `quickAllowed` is false for a diskette that was never formatted.
    FormatDialog(const QString& driveName, const std::vector<const StandardFormat*>& capacities,
                 const StandardFormat* current, bool quickAllowed, QWidget* parent = nullptr);

    const StandardFormat* capacity() const;
    bool quick() const;
    // Upper case, at most 11 characters; empty for no label.
    QString label() const;

private:
    std::vector<const StandardFormat*> capacities_;
    QComboBox* capacity_;
    QRadioButton* quick_;
    QRadioButton* full_;
    QLineEdit* label_;
};

} // namespace vellum
