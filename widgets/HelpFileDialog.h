#pragma once
// A file dialog of Qt's own, not the desktop's, so that it can carry a Help
// button beside its own buttons, and open with a pattern such as "*.VLM" in
// its name box.
#include <QFileDialog>

namespace vellum {

class HelpFileDialog : public QFileDialog {
    Q_OBJECT
public:
    struct Setup {
        QString caption;
        QStringList filters;
        // What the name box holds when the dialog opens.
        QString initialName;
        QString defaultSuffix;
        AcceptMode acceptMode = AcceptOpen;
        FileMode fileMode = ExistingFile;
        int helpTopic = 0;
    };

    HelpFileDialog(const Setup& setup, QWidget* parent = nullptr);

    // The text of the name box.
    QString nameBox() const;

signals:
    void helpRequested(int topic);
};

} // namespace vellum
