#pragma once
// The help window: HTML topics looked up by their context number, with the
// overview of the main window as the topic of number 0 and of any number
// that has no topic of its own.
#include <QDialog>

class QTextBrowser;

namespace vellum {

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showTopic(int topic);
    // The resource that holds a topic.
    static QString topicPath(int topic);

private:
    QTextBrowser* browser_;
};

} // namespace vellum
