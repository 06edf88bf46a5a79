#pragma once
// The open and save dialogs of image files, with a "File Description:" field
// under the file list: the save dialog stores it in the new file, the open
// dialog shows the description of the file under selection. The text typed
// last is remembered for the next dialog while the program runs.
#include "widgets/HelpFileDialog.h"

class QLabel;
class QLineEdit;

namespace vellum {

class VlmFileDialog : public HelpFileDialog {
    Q_OBJECT
public:
    enum class Kind { Open, Save };
    static constexpr int kDescriptionLength = 60;
    static constexpr int kOpenHelpTopic = 1033;
    static constexpr int kSaveHelpTopic = 1034;

    VlmFileDialog(Kind kind, QString& description, QWidget* parent = nullptr);

    // The description a selection shows; empty when the name box still holds
    // the "*.VLM" pattern or the file cannot be read.
    static QString previewFor(const QString& nameBox, const QString& path);

    QString description() const;

public slots:
    void done(int result) override;

private:
    void addDescriptionRow();
    void preview(const QString& path);

    Kind kind_;
    QString& remembered_;
    QLabel* path_;
    QLineEdit* description_;
};

} // namespace vellum
