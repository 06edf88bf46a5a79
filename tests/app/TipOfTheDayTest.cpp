// The Tip of the Day window.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "app/CTipOfTheDay.h"
#include "app/DataFile.h"
#include "appmodel/TipFile.h"
#include "tests/app/AppTestSupport.h"

using namespace vellum;
using namespace vellum::test;

namespace {

std::filesystem::path writeTips(World& world, const QByteArray& text)
{
    const QString path = world.path("tips.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return path.toStdString();
}

QPushButton* button(QDialog& dialog, const QString& text)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class TipOfTheDayTest : public QObject {
    Q_OBJECT

private slots:
    void theWindowWithoutATipsFile()
    {
        World world;
        CTipOfTheDay dialog(world.path("none.txt").toStdString(), world.profile);
        QCOMPARE(dialog.tipText(), QString("Tips file does not exist in the prescribed directory"));
        QVERIFY(!button(dialog, "&Next Tip")->isEnabled());

        QDir().mkpath(world.path("folder"));
        CTipOfTheDay unreadable(world.path("folder").toStdString(), world.profile);
        QCOMPARE(unreadable.tipText(), QString("Trouble reading the tips file"));
        QVERIFY(!button(unreadable, "&Next Tip")->isEnabled());
    }

    void nextTipAndTheStartUpChoice()
    {
        World world;
        const auto file = writeTips(world, "Alpha\nBeta\n");
        QVERIFY(TipFile::showAtStartUp(world.profile));
        CTipOfTheDay dialog(file, world.profile);
        QCOMPARE(dialog.tipText(), QString("Alpha"));
        button(dialog, "&Next Tip")->click();
        QCOMPARE(dialog.tipText(), QString("Beta"));
        dialog.findChild<QCheckBox*>()->setChecked(false);
        button(dialog, "&Close")->click();
        QCOMPARE(world.profile.readInt("Tip", "StartUp", 0), 1);
        QVERIFY(!TipFile::showAtStartUp(world.profile));
    }

    void tipsAreFoundBesideTheProgramOrInItsInstalledDataFolder()
    {
        World world;
        const QString bin = world.path("usr/bin");
        const QString data = world.path("usr/share/Orrindale/Vellum");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data));
        writeTips(world, "Alpha\n");
        QVERIFY(QFile::copy(world.path("tips.txt"), data + "/tips.txt"));
        QCOMPARE(locateDataFile("tips.txt", bin), data + "/tips.txt");
        QVERIFY(QFile::copy(world.path("tips.txt"), bin + "/tips.txt"));
        QCOMPARE(locateDataFile("tips.txt", bin), bin + "/tips.txt");
    }
};

QTEST_MAIN(TipOfTheDayTest)
#include "TipOfTheDayTest.moc"
