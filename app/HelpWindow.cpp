#include "app/HelpWindow.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vellum {

namespace {
const QString kIndex = QStringLiteral(":/help/index.html");
}

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this))
{
    setWindowTitle(tr("Vellum Help"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help")});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(620, 520);
}

QString HelpWindow::topicPath(int topic)
{
    const QString path = QStringLiteral(":/help/%1.html").arg(topic);
    return topic != 0 && QFile::exists(path) ? path : kIndex;
}

void HelpWindow::showTopic(int topic)
{
    browser_->setSource(QUrl(QStringLiteral("qrc") + topicPath(topic)));
    show();
    raise();
    activateWindow();
}

} // namespace vellum
