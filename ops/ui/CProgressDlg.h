#pragma once
// The progress window of a diskette operation, drawn with Qt. It keeps the
// window the user started the operation from disabled while it exists and
// lets the application repaint whenever the operation pumps. Its Cancel
// button, Enter, Esc and close box only raise the cancel request.
#include <QDialog>
#include <QPointer>

#include "ops/Progress.h"

class QLabel;
class QProgressBar;

namespace vellum {

class CProgressDlg : public QDialog, public Progress {
    Q_OBJECT
public:
    explicit CProgressDlg(Prompter& prompter, QWidget* owner = nullptr);
    ~CProgressDlg() override;

    // The owner disabled while the window is open; empty when none was.
    QWidget* disabledOwner() const { return disabledOwner_; }

public slots:
    void reject() override;
    void accept() override;

protected:
    bool openWindow() override;
    void closeWindow() override;
    void draw() override;
    void PumpMessages() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* findOwner() const;
    void enableOwner();

    QPointer<QWidget> owner_;
    QPointer<QWidget> disabledOwner_;
    QLabel* status_;
    QLabel* copyLabel_;
    QProgressBar* mainBar_;
    QLabel* verifyLabel_;
    QProgressBar* verifyBar_;
};

} // namespace vellum
