#pragma once
// "New Image": the capacity of a newly formatted image and its optional
// volume label, chosen before the image replaces the one in memory.
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace vellum {

struct StandardFormat;

class NewImageDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewImageDialog(QWidget* parent = nullptr);

    const StandardFormat& format() const;
    QString label() const;

private:
    QComboBox* format_;
    QLineEdit* label_;
};

} // namespace vellum
