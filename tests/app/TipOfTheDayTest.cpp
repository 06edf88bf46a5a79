// The tips file and the Tip of the Day window.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "app/CTipOfTheDay.h"
#include "app/TipFile.h"
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
    void skippedLinesWrapAroundAndThePlaceIsKept()
    {
        World world;
        const auto file = writeTips(world, "; a comment\nFirst tip\r\n\n indented\n\tTabbed\nSecond tip\n");
        {
            TipFile tips(file, world.profile);
            QCOMPARE(tips.next().value_or(""), std::string("First tip"));
            QCOMPARE(tips.next().value_or(""), std::string("Second tip"));
            QCOMPARE(tips.next().value_or(""), std::string("First tip"));
        }
        // The next session goes on after the tip shown last.
        TipFile again(file, world.profile);
        QCOMPARE(again.next().value_or(""), std::string("Second tip"));
    }

    void aChangedFileStartsAgainAtItsFirstTip()
    {
        World world;
        const auto file = writeTips(world, "One\nTwo\nThree\n");
        {
            TipFile tips(file, world.profile);
            tips.next();
            tips.next();
        }
        world.profile.writeString("Tip", "TimeStamp", "Thu Jan  1 00:00:00 1970");
        TipFile changed(file, world.profile);
        QCOMPARE(changed.next().value_or(""), std::string("One"));
        QCOMPARE(world.profile.readString("Tip", "TimeStamp", ""), TipFile::timeStamp(file));
    }

    void aFileWithoutTipsEndsTheSearch()
    {
        World world;
        TipFile tips(writeTips(world, "; only\n  comments\n\n"), world.profile);
        QVERIFY(!tips.next());
        QVERIFY(!tips.next());
    }

    void longTipsAreCut()
    {
        World world;
        TipFile tips(writeTips(world, QByteArray(1500, 'x') + "\n"), world.profile);
        QCOMPARE(tips.next().value_or("").size(), TipFile::kMaxTipLength);
    }

    void theWindowWithoutATipsFile()
    {
        World world;
        CTipOfTheDay dialog(world.path("none.txt").toStdString(), world.profile);
        QCOMPARE(dialog.tipText(), QString("Tips file does not exist in the prescribed directory"));
        QVERIFY(!button(dialog, "&Next Tip")->isEnabled());
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

    void theShippedTipsAreAllReadable()
    {
        World world;
        TipFile tips(VELLUM_TIPS, world.profile);
        const auto first = tips.next();
        QVERIFY(first);
        int count = 1;
        for (auto tip = tips.next(); tip && *tip != *first; tip = tips.next())
            ++count;
        QVERIFY(count >= 20);
    }
};

QTEST_MAIN(TipOfTheDayTest)
#include "TipOfTheDayTest.moc"
