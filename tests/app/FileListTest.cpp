// The file list: placeholders, columns, sorting and navigation,
// on images made by mtools.
#include <QHeaderView>
#include <QtTest>

#include "app/CVLMView.h"
#include "app/FileListModel.h"
#include "app/FileListView.h"
#include "app/ProcessShell.h"
#include "core/ImageFile.h"
#include "core/MediaTable.h"
#include "files/ui/HostPaths.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/MtoolsImage.h"

using namespace vellum;
using namespace vellum::test;

namespace {

// Every path dialog cancelled.
class CancelledPaths : public HostPaths {
public:
    std::optional<QString> folder(QWidget*, const QString&) override { return std::nullopt; }
    std::optional<QString> file(QWidget*, FileAction, const QString&) override { return std::nullopt; }
    QStringList filesToAdd(QWidget*) override { return {}; }
};

ListingRecord record(const std::string& name, std::uint32_t size, std::uint32_t attributes = 0x20)
{
    ListingRecord r;
    r.longName = name;
    r.shortName = name;
    r.size = size;
    r.attributes = attributes;
    return r;
}

QStringList column(const FileListModel& model, int c)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.text(row, c).trimmed();
    return texts;
}

} // namespace

class FileListTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void placeholderDependsOnWhetherMemoryHoldsAnImage()
    {
        World world;
        FileListModel model;
        world.doc->ImageEmpty = 1;
        QVERIFY(!model.fill(*world.doc));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(column(model, 0), QStringList{"No Files"});
        QCOMPARE(model.text(0, 2), QString());
        QCOMPARE(int(world.doc->MediaSizeKind), int(kMediaNone));
        QVERIFY(model.record(0) == nullptr);

        world.doc->ImageEmpty = 0;
        QVERIFY(model.fill(*world.doc)); // an empty diskette still enables Copy and Compare
        QCOMPARE(column(model, 0), QStringList{"No Files Found"});
    }

    void columnsOfAnImageMadeByMtools()
    {
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 1440");
        image.makeDirectories({"DOCS"});
        image.addFile("README.TXT", "hello, diskette\r\n");
        image.addFile("Long file name.txt", "12345");
        image.setAttributes("+r", "README.TXT");
        World world;
        QVERIFY(ImageFile(*world.doc, world.prompter).open(image.path()));
        FileListModel model;
        model.table().load(world.doc->directory.listing);
        QVERIFY(model.fill(*world.doc));

        const int readme = int(column(model, 0).indexOf("README.TXT"));
        QVERIFY(readme >= 0);
        QCOMPARE(model.text(readme, 2), QString("17"));
        QCOMPARE(model.text(readme, 3), QString(" r  a"));
        QCOMPARE(model.text(readme, 4), QString("1/07/00 (2:05p)"));
        const int docs = int(column(model, 0).indexOf("DOCS"));
        QCOMPARE(model.text(docs, 3), QString("<dir>"));
        const int longName = int(column(model, 0).indexOf("Long file name.txt"));
        QVERIFY(longName >= 0);
        QCOMPARE(model.text(longName, 1).trimmed().isEmpty(), false);
        QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Modified"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void aHeaderClickSortsASecondTurnsTheOrderAndAFillKeepsIt()
    {
        World world;
        world.doc->ImageEmpty = 0;
        FileListModel model;
        FileListView view(model);
        view.resize(600, 300);
        view.show();
        const std::vector<ListingRecord> listing = {record("b", 30), record("C", 10), record("a", 20)};
        model.table().load(listing);
        model.fill(*world.doc);
        QCOMPARE(column(model, 2), (QStringList{"30", "10", "20"})); // the directory's order
        QCOMPARE(view.header()->sortIndicatorSection(), -1);
        view.selectRow(1); // "C"
        const auto clickHeading = [&](int section) {
            QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {},
                              QPoint(view.header()->sectionViewportPosition(section) + 5, 5));
        };

        clickHeading(2);
        QCOMPARE(column(model, 2), (QStringList{"10", "20", "30"}));
        QCOMPARE(view.header()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(model.text(view.selectedRow(), 0), QString("C"));
        clickHeading(2);
        QCOMPARE(column(model, 2), (QStringList{"30", "20", "10"}));
        QCOMPARE(view.header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(model.text(view.selectedRow(), 0), QString("C"));
        model.fill(*world.doc); // as after a delete, rename or add
        QCOMPARE(column(model, 2), (QStringList{"30", "20", "10"}));
        clickHeading(0); // another column starts ascending
        QCOMPARE(column(model, 0), (QStringList{"a", "b", "C"}));
        QCOMPARE(model.rowNamed("c "), 2);

        const int right = model.data(model.index(0, 2), Qt::TextAlignmentRole).toInt();
        QVERIFY(right & Qt::AlignRight);
        QVERIFY(model.headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    }

    void doubleClickEntersADirectoryAndDotDotReturns()
    {
        MtoolsImage image(MtoolsImage::Maker::Mformat, "-f 720");
        image.makeDirectories({"GAMES", "GAMES/CHESS"});
        image.addFile("GAMES/CHESS/OPENINGS.PGN", "1. e4 e5");
        image.addFile("ROOT.TXT", "r");
        World world;
        ProcessShell shell;
        CVLMView view(*world.doc, world.prompter, *world.drives, shell);
        view.openImageFile(QString::fromStdString(image.path().string()));
        drainEvents();
        FileListModel& model = view.fileListModel();
        QVERIFY(column(model, 0).contains("ROOT.TXT"));

        emit view.fileList().rowDoubleClicked(int(column(model, 0).indexOf("GAMES")));
        drainEvents();
        QVERIFY(column(model, 0).contains("CHESS"));
        QCOMPARE(world.doc->directory.depth, 1);
        emit view.fileList().rowDoubleClicked(int(column(model, 0).indexOf("CHESS")));
        drainEvents();
        QVERIFY(column(model, 0).contains("OPENINGS.PGN"));
        QCOMPARE(world.doc->directory.depth, 2);

        for (int depth : {1, 0}) {
            emit view.fileList().rowDoubleClicked(int(column(model, 0).indexOf("..")));
            drainEvents();
            QCOMPARE(world.doc->directory.depth, depth);
        }
        QVERIFY(column(model, 0).contains("ROOT.TXT"));
        // A file is saved, not entered: here the folder chooser is cancelled.
        view.setHostPaths(std::make_unique<CancelledPaths>());
        emit view.fileList().rowDoubleClicked(int(column(model, 0).indexOf("ROOT.TXT")));
        drainEvents();
        QVERIFY(column(model, 0).contains("ROOT.TXT"));
        VERIFY_NO_PROBLEMS(world.prompter);
    }

    void iconsFollowTheKindOfImage()
    {
        World world;
        world.doc->ImageEmpty = 0;
        world.doc->MediaSizeKind = kMedia525Inch;
        FileListModel model;
        model.table().load({record("FILE", 1), record("DIR", 0, 0x10)});
        model.fill(*world.doc);
        const QIcon file = model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>();
        const QIcon dir = model.data(model.index(1, 0), Qt::DecorationRole).value<QIcon>();
        QCOMPARE(file.cacheKey() == dir.cacheKey(), false);
        world.doc->MediaSizeKind = kMedia35Inch;
        model.fill(*world.doc);
        QVERIFY(model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>().cacheKey() != file.cacheKey());
    }
};

QTEST_MAIN(FileListTest)
#include "FileListTest.moc"
