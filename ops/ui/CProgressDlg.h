#pragma once
// The progress window of a diskette operation, drawn with Qt on the GUI
// thread while the engine calls it from its worker thread. It keeps the
// window the user started the operation from disabled while it exists. Its
// Cancel button, Enter, Esc and close box ask "Are you sure?" at once; a
// confirmed cancel stops the engine at its next check.
#include <QDialog>
#include <QPointer>
#include <memory>

#include "ops/Progress.h"

class QLabel;
class QProgressBar;

namespace vellum {

class CProgressDlg : public QDialog, public Progress {
    Q_OBJECT
public:
    explicit CProgressDlg(Prompter& prompter, QWidget* owner = nullptr);
    ~CProgressDlg() override;

    // One shared by an operation's work and what runs after it, deleted once
    // the GUI thread is back in its event loop: a question the window asked
    // may still be open when the operation ends.
    static std::shared_ptr<CProgressDlg> shared(Prompter& prompter, QWidget* owner = nullptr);

    // The owner disabled while the window is open; empty when none was.
    QWidget* disabledOwner() const { return disabledOwner_; }

public slots:
    void reject() override;
    void accept() override;

protected:
    bool openWindow() override;
    void closeWindow() override;
    void draw() override;
    void closeEvent(QCloseEvent* event) override;

private:
    // What draw shows, taken on the engine's thread.
    struct Shown {
        QString caption;
        QString status;
        int low;
        int high;
        int main;
        int verify;
        bool verifyShown;
    };
    void paint(const Shown& shown);
    void open();
    void askCancel();
    QWidget* findOwner() const;
    void enableOwner();

    QPointer<QWidget> owner_;
    QPointer<QWidget> disabledOwner_;
    Prompter& prompter_;
    bool asking_ = false;
    QLabel* status_;
    QLabel* copyLabel_;
    QProgressBar* mainBar_;
    QLabel* verifyLabel_;
    QProgressBar* verifyBar_;
};

} // namespace vellum
