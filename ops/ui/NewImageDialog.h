#pragma once
// "New Image": the capacity of a newly formatted image and its optional
// volume label, chosen before the image replaces the one in memory. OK with
// a text that cannot be a label tells why and keeps the dialog open.
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace vellum {

class Prompter;
struct StandardFormat;

class NewImageDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewImageDialog(Prompter& prompter, QWidget* parent = nullptr);

    const StandardFormat& format() const;
    QString label() const;

    void accept() override;

private:
    Prompter& prompter_;
    QComboBox* format_;
    QLineEdit* label_;
};

} // namespace vellum
